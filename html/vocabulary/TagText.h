#pragma once

#include <cstddef>

// Character tests on narrow tag texts shared by the keyword lookups.
namespace VEKParser::VocabularyText {

inline char LowerAscii(char c) noexcept { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

inline void CopyLowerAscii(const char* text, std::size_t length, char* out) noexcept
{
    for (std::size_t i = 0; i < length; ++i) out[i] = LowerAscii(text[i]);
}

inline bool IsBlank(char c) noexcept { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Position of the first blank, tab, CR or LF, or `length` when there is none.
inline std::size_t FindBlank(const char* text, std::size_t length) noexcept
{
    std::size_t i = 0;
    while (i < length && !IsBlank(text[i])) ++i;
    return i;
}

// Position of the first character that ends a tag name (blank, tab, CR, LF or ">"), or `length`.
inline std::size_t FindTagDelimiter(const char* text, std::size_t length) noexcept
{
    std::size_t i = 0;
    while (i < length && !IsBlank(text[i]) && text[i] != '>') ++i;
    return i;
}

} // namespace VEKParser::VocabularyText
