#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <VEKParser/host/HostTypes.h>

namespace VEKCharset {

// Unicode value of each byte for the single-byte charsets converted without ICU: 20127 (bytes
// above 0x7F are U+FFFD) and 1252 (for any other charset).
const std::uint16_t* SingleByteTable(VEK::CHARSET charset) noexcept;

// Byte for a code point in 1252 or 20127; "?" when the charset has none.
unsigned char EncodeSingleByte(VEK::CHARSET charset, std::uint32_t codePoint) noexcept;

// ICU converter names to try, best first, for a Windows code page number.
std::vector<std::string> IcuNames(VEK::CHARSET charset);

} // namespace VEKCharset
