#pragma once

#include <cstdint>
#include <string>

#include <VEKParser/Export.h>
#include <VEKParser/host/WideStream.h>

namespace VEK {

// 16-bit text: one UTF-16 unit per element in the machine's byte order (charset 1201).
// Deliberately not std::wstring, whose unit is 32 bits on this platform.
using WString = std::basic_string<unsigned short>;

// Charset identifiers are Windows code page numbers; any value may be passed, these are the
// ones the library names itself.
using CHARSET = std::int32_t;
inline constexpr CHARSET CHARSET_UNKNOWN = -1;
inline constexpr CHARSET CHARSET_UTF16 = 1201;          // 16-bit units, machine byte order
inline constexpr CHARSET CHARSET_UTF16_SWAPPED = 1210;  // 16-bit units, the two bytes of each unit swapped
inline constexpr CHARSET CHARSET_UCS4 = 1212;           // 32-bit big-endian units (ASN.1 UniversalString)
inline constexpr CHARSET CHARSET_WINDOWS_1252 = 1252;
inline constexpr CHARSET CHARSET_US_ASCII = 20127;
inline constexpr CHARSET CHARSET_UTF8 = 65001;

// Builds 16-bit text from ASCII text (library literals such as node names).
VEKPARSER_API WString Widen(const char* ascii);

// UTF-8 form of 16-bit text, for printing; unpaired surrogates become U+FFFD.
VEKPARSER_API std::string ToUtf8(const WString& text);

} // namespace VEK
