#pragma once

// Streams of 16-bit text (std::basic_ostream<unsigned short>). The standard library ships
// locale facets for char and wchar_t only, so without these a 16-bit stream cannot widen a
// narrow character: std::endl, narrow literals and numbers would throw std::bad_cast. Imbue a
// stream with VEK::WideStreamLocale() to use them; the library's own writers never need it.
//
// Because the unit type is an integer type, `stream << c` with a single character prints its
// number; write single characters with put().

#include <cstddef>
#include <locale>
#include <string>

#include <VEKParser/Export.h>

namespace std {

template <>
class VEKPARSER_API ctype<unsigned short> : public locale::facet, public ctype_base {
public:
    using char_type = unsigned short;

    explicit ctype(size_t refs = 0) : locale::facet(refs) {}

    // Classes and case apply to ASCII; every other unit belongs to no class and has no case.
    bool is(mask m, char_type c) const;
    char_type toupper(char_type c) const { return c >= 'a' && c <= 'z' ? static_cast<char_type>(c - 32) : c; }
    char_type tolower(char_type c) const { return c >= 'A' && c <= 'Z' ? static_cast<char_type>(c + 32) : c; }
    // Narrow characters are taken as Latin-1.
    char_type widen(char c) const { return static_cast<unsigned char>(c); }
    const char* widen(const char* begin, const char* end, char_type* to) const;
    char narrow(char_type c, char fallback) const { return c < 0x80 ? static_cast<char>(c) : fallback; }
    const char_type* narrow(const char_type* begin, const char_type* end, char fallback, char* to) const;

    static locale::id id;
};

template <>
class VEKPARSER_API numpunct<unsigned short> : public locale::facet {
public:
    using char_type = unsigned short;
    using string_type = basic_string<unsigned short>;

    explicit numpunct(size_t refs = 0) : locale::facet(refs) {}

    char_type decimal_point() const { return '.'; }
    char_type thousands_sep() const { return ','; }
    string grouping() const { return {}; }
    string_type truename() const { return {'t', 'r', 'u', 'e'}; }
    string_type falsename() const { return {'f', 'a', 'l', 's', 'e'}; }

    static locale::id id;
};

} // namespace std

namespace VEK {

// The classic locale plus the 16-bit facets (character class, number punctuation, number
// output); built once.
VEKPARSER_API const std::locale& WideStreamLocale();

} // namespace VEK
