#pragma once

// Inside the library only: text queries that gather many texts into one string.
#include <VEKParser/host/HostTypes.h>

namespace VEKParser {

// What ExpandCharacterReferences of the bytes into a fresh string and appending that string to
// `out` gives, without the fresh string: references resolve within the appended text only.
void AppendExpandedText(VEK::CHARSET charset, const char* bytes, unsigned int length, VEK::WString& out,
                        bool latin1Only);

} // namespace VEKParser
