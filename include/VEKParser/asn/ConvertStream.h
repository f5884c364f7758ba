#pragma once

#include <cstdint>

#include <VEKParser/Export.h>
#include <VEKParser/host/BinaryStream.h>
#include <VEKParser/host/HostTypes.h>

namespace VEKParser {

// Converts every byte left in `source` from charset `from` to charset `to`, appending the
// result to `destination`; returns the source bytes consumed. `final` is handed to each
// conversion call (false leaves a character cut off at the end unconverted); `reserved` has
// no effect.
VEKPARSER_API std::uint32_t ConvertStream(VEK::CHARSET from, VEK::CHARSET to, VEK::BinaryStreamBufT<unsigned int>& source,
                                          VEK::BinaryStreamBufT<unsigned int>& destination, bool final, bool reserved);

} // namespace VEKParser
