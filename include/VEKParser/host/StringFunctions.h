#pragma once

#include <cstdint>
#include <string>

#include <VEKParser/Export.h>
#include <VEKParser/host/HostTypes.h>

namespace VEK {

// Letter case here is ASCII only: A-Z and a-z; every other unit is kept, and so is the length.
VEKPARSER_API std::string ToLower(const std::string& text);
inline unsigned short ToLower(unsigned short unit) noexcept
{
    return unit >= 'A' && unit <= 'Z' ? static_cast<unsigned short>(unit + 32) : unit;
}
VEKPARSER_API void ToLowerInPlace(std::string& text) noexcept;
VEKPARSER_API void ToLowerInPlace(WString& text) noexcept;

// White space: blank, tab, line feed, vertical tab, form feed, carriage return.
inline bool IsWhiteSpace(unsigned int unit) noexcept { return unit == ' ' || (unit >= 9 && unit <= 13); }

// Turns each run of white space of `in` into one blank. With `trim` the runs at both ends are
// removed (a text of white space only becomes empty), otherwise they stay as one blank. With
// `append` the result is appended to `out`, otherwise it replaces it.
VEKPARSER_API void BeautifyString(const std::string& in, std::string& out, bool trim, bool append);
VEKPARSER_API void BeautifyString(const WString& in, WString& out, bool trim, bool append);
// BeautifyString with `trim` of the units of `text` from `from` on, in place.
VEKPARSER_API void BeautifyTail(WString& text, std::size_t from);

// Remove white space at the start or the end, in place.
VEKPARSER_API void StripLeadingBlanks(std::string& text);
VEKPARSER_API void StripTrailingBlanks(std::string& text);

// Value of `count` decimal (base 10) or hexadecimal (base 16) digits. A unit that is not a
// digit of the base, or a value above the largest 32-bit int, yields 0.
VEKPARSER_API std::int32_t StringToInt(const char* digits, std::size_t count, int base) noexcept;
VEKPARSER_API std::int32_t StringToInt(const unsigned short* digits, std::size_t count, int base) noexcept;

// Case-insensitive (ASCII) ordering and equality of narrow strings.
struct VEKPARSER_API NoCase {
    bool operator()(const std::string& a, const std::string& b) const noexcept;
    static bool IsEqual(const std::string& a, const std::string& b) noexcept;
    static int Compare(const char* a, std::size_t aLength, const char* b, std::size_t bLength) noexcept;
};

} // namespace VEK
