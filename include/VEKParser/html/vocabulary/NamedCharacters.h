#pragma once

#include <string>

#include <VEKParser/Export.h>
#include <VEKParser/host/HostTypes.h>

namespace VEKParser {

// The code a character reference stands for, or 0. `reference` is zero-terminated, starts with
// "&" and holds no ";" ("&amp", "&#233").
VEKPARSER_API unsigned short LookupCharacterReference(const unsigned short* reference);

// Converts document bytes in `charset` to 16-bit text appended to `out`, then resolves the
// character references in the whole of `out`. With `latin1Only`, references to characters above
// 255 stay as written. Throws ParserInvalidEncodingException for the unknown charset (-1).
VEKPARSER_API void ExpandCharacterReferences(VEK::CHARSET charset, const char* bytes, unsigned int length,
                                             VEK::WString& out, bool latin1Only);
VEKPARSER_API void ExpandCharacterReferences(VEK::CHARSET charset, const std::string& text, VEK::WString& out,
                                             bool latin1Only);

// The same for a URI value: references in the query part (from the first "?") resolve only to
// characters up to 255; a "?" that ends the text is dropped.
VEKPARSER_API void ExpandUriCharacterReferences(VEK::CHARSET charset, const char* bytes, unsigned int length,
                                                VEK::WString& out);
VEKPARSER_API void ExpandUriCharacterReferences(VEK::CHARSET charset, const std::string& text, VEK::WString& out);

} // namespace VEKParser
