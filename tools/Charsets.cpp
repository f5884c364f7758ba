#include "Charsets.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>

#include <VEKParser/encoding/SGMLEncodingHelper.h>

namespace vekparse {

namespace {

constexpr VEK::CHARSET UTF16_LE = std::endian::native == std::endian::little ? VEK::CHARSET_UTF16 : VEK::CHARSET_UTF16_SWAPPED;
constexpr VEK::CHARSET UTF16_BE = std::endian::native == std::endian::little ? VEK::CHARSET_UTF16_SWAPPED : VEK::CHARSET_UTF16;

struct CharsetLabel {
    const char* label;
    VEK::CHARSET codePage;
};

// Labels that do not carry their code page number in them; lower case.
constexpr CharsetLabel CHARSET_LABELS[] = {
    {"utf-8", 65001},        {"utf8", 65001},        {"unicode-1-1-utf-8", 65001},
    {"us-ascii", 20127},     {"ascii", 20127},       {"ansi_x3.4-1968", 20127},
    {"latin1", 28591},       {"l1", 28591},          {"latin2", 28592},
    {"l2", 28592},           {"latin3", 28593},      {"latin4", 28594},
    {"cyrillic", 28595},     {"arabic", 28596},      {"greek", 28597},
    {"hebrew", 28598},       {"latin5", 28599},      {"latin9", 28605},
    {"koi8-r", 20866},       {"koi8r", 20866},       {"koi8-u", 21866},
    {"shift_jis", 932},      {"shift-jis", 932},     {"sjis", 932},
    {"x-sjis", 932},         {"ms_kanji", 932},      {"windows-31j", 932},
    {"gb2312", 936},         {"gbk", 936},           {"x-gbk", 936},
    {"gb18030", 54936},      {"big5", 950},          {"big5-hkscs", 950},
    {"euc-kr", 949},         {"ks_c_5601-1987", 949}, {"euc-jp", 20932},
    {"iso-2022-jp", 50220},  {"iso-2022-kr", 50225}, {"hz-gb-2312", 52936},
    {"utf-7", 65000},        {"macintosh", 10000},   {"mac", 10000},
    {"utf-16", UTF16_LE},    {"utf-16le", UTF16_LE}, {"utf-16be", UTF16_BE},
    {"utf-32le", 12000},     {"utf-32be", 12001},
};

std::string Normalise(std::string_view name)
{
    const auto isJunk = [](char c) { return std::isspace(static_cast<unsigned char>(c)) || c == '"' || c == '\''; };
    while (!name.empty() && isJunk(name.front())) name.remove_prefix(1);
    while (!name.empty() && isJunk(name.back())) name.remove_suffix(1);
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::optional<VEK::CHARSET> ParseNumber(std::string_view digits)
{
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size() || value <= 0 || value > 65535)
        return std::nullopt;
    return value;
}

// "windows-1251", "cp1251", "ibm-437", "iso-8859-5" and their spelling variants.
std::optional<VEK::CHARSET> ParseNumberedLabel(std::string_view name)
{
    for (const char* prefix : {"windows-", "x-cp", "cp", "ibm-", "ibm"})
        if (name.starts_with(prefix)) return ParseNumber(name.substr(std::strlen(prefix)));
    for (const char* prefix : {"iso-8859-", "iso8859-", "iso_8859-", "iso8859_"})
        if (name.starts_with(prefix)) {
            const auto part = ParseNumber(name.substr(std::strlen(prefix)));
            if (part && *part <= 16) return 28590 + *part;
        }
    return std::nullopt;
}

} // namespace

std::optional<VEK::CHARSET> ParseCharset(std::string_view nameOrNumber)
{
    const std::string name = Normalise(nameOrNumber);
    if (const auto number = ParseNumber(name)) return number;
    for (const CharsetLabel& label : CHARSET_LABELS)
        if (name == label.label) return label.codePage;
    return ParseNumberedLabel(name);
}

VEK::CHARSET DeclaredCharset(std::string_view name)
{
    const auto charset = ParseCharset(name);
    if (!charset) return VEK::CHARSET_UNKNOWN;
    if (*charset == 28591 || *charset == VEK::CHARSET_US_ASCII) return VEK::CHARSET_WINDOWS_1252;
    if (IsWideCharset(*charset)) return VEK::CHARSET_UTF8;
    return *charset;
}

bool IsWideCharset(VEK::CHARSET charset) noexcept
{
    return charset == VEK::CHARSET_UTF16 || charset == VEK::CHARSET_UTF16_SWAPPED;
}

bool IsValidUtf8(std::string_view bytes) noexcept
{
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        if (n - i >= 8) {  // runs of ASCII, eight bytes at a time
            std::uint64_t word;
            std::memcpy(&word, s + i, 8);
            if ((word & 0x8080808080808080ull) == 0) {
                i += 8;
                continue;
            }
        }
        const unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        const std::size_t length = c < 0xC2 ? 0 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : c < 0xF5 ? 4 : 0;
        if (length == 0 || n - i < length) return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((s[i + k] & 0xC0) != 0x80) return false;
        const unsigned char second = s[i + 1];
        if ((c == 0xE0 && second < 0xA0) || (c == 0xED && second >= 0xA0) || (c == 0xF0 && second < 0x90) ||
            (c == 0xF4 && second >= 0x90))
            return false;  // overlong forms, surrogates, beyond U+10FFFF
        i += length;
    }
    return true;
}

CharsetChoice ChooseCharset(VEK::CHARSET forced, std::string_view bytes)
{
    const CharsetChoice bom = bytes.starts_with("\xEF\xBB\xBF") ? CharsetChoice{VEK::CHARSET_UTF8, 3, true}
                              : bytes.starts_with("\xFF\xFE")    ? CharsetChoice{UTF16_LE, 2, true}
                              : bytes.starts_with("\xFE\xFF")    ? CharsetChoice{UTF16_BE, 2, true}
                                                                  : CharsetChoice{};
    // A charset given on the command line wins; its own byte-order mark is still not content.
    if (forced != VEK::CHARSET_UNKNOWN) return {forced, bom.charset == forced ? bom.bomLength : 0, true};
    if (bom.settled) return bom;
    return {IsValidUtf8(bytes) ? VEK::CHARSET_UTF8 : VEK::CHARSET_WINDOWS_1252, 0, false};
}

bool Redeclare(CharsetChoice& choice, std::string_view declaredName)
{
    if (choice.settled) return false;
    choice.settled = true;
    const VEK::CHARSET declared = DeclaredCharset(declaredName);
    if (declared == VEK::CHARSET_UNKNOWN || declared == choice.charset) return false;
    choice.charset = declared;
    return true;
}

std::string CharsetOfContentType(std::string_view contentType)
{
    const std::string lower = Normalise(contentType);
    const std::size_t key = lower.find("charset=");
    if (key == std::string::npos) return {};
    std::string_view value = std::string_view(lower).substr(key + 8);
    if (!value.empty() && (value.front() == '"' || value.front() == '\'')) value.remove_prefix(1);
    return std::string(value.substr(0, value.find_first_of("\"'; \t\r\n")));
}

std::string DecodeToUtf8(VEK::CHARSET charset, std::string_view bytes)
{
    VEK::WString wide;
    VEKParser::SGMLEncodingHelper(charset).ExpandToUnicode(std::string(bytes), wide);
    return VEK::ToUtf8(wide);
}

} // namespace vekparse
