#include "host/ConvTables.h"

#include <array>

namespace VEKCharset {

namespace {

// 0x80-0x9F of 1252; the five bytes it leaves undefined map to the same C1 code point.
constexpr std::uint16_t WINDOWS_1252_HIGH[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D,
    0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A,
    0x0153, 0x009D, 0x017E, 0x0178};

constexpr std::array<std::uint16_t, 256> Make1252() noexcept
{
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i)
        table[i] = i >= 0x80 && i < 0xA0 ? WINDOWS_1252_HIGH[i - 0x80] : static_cast<std::uint16_t>(i);
    return table;
}

constexpr std::array<std::uint16_t, 256> MakeAscii() noexcept
{
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) table[i] = i < 0x80 ? static_cast<std::uint16_t>(i) : 0xFFFD;
    return table;
}

constexpr auto TABLE_1252 = Make1252();
constexpr auto TABLE_ASCII = MakeAscii();

// Code pages whose ICU name is not derived from the number.
struct NamedCodePage {
    std::int32_t codePage;
    const char* name;
};
constexpr NamedCodePage NAMED_CODE_PAGES[] = {
    {932, "windows-31j"},   {936, "windows-936"},   {949, "windows-949"},   {950, "windows-950"},
    {1200, "UTF-16LE"},     {12000, "UTF-32LE"},    {12001, "UTF-32BE"},    {10000, "macintosh"},
    {20866, "KOI8-R"},      {21866, "KOI8-U"},      {20932, "EUC-JP"},      {51932, "EUC-JP"},
    {51949, "EUC-KR"},      {50220, "ISO-2022-JP"}, {50221, "ISO-2022-JP"}, {50222, "ISO-2022-JP"},
    {50225, "ISO-2022-KR"}, {52936, "HZ"},          {54936, "GB18030"},     {65000, "UTF-7"},
    {28603, "ISO-8859-13"}, {28605, "ISO-8859-15"},
};

} // namespace

const std::uint16_t* SingleByteTable(VEK::CHARSET charset) noexcept
{
    return charset == VEK::CHARSET_US_ASCII ? TABLE_ASCII.data() : TABLE_1252.data();
}

unsigned char EncodeSingleByte(VEK::CHARSET charset, std::uint32_t codePoint) noexcept
{
    if (codePoint < 0x80) return static_cast<unsigned char>(codePoint);
    if (charset != VEK::CHARSET_WINDOWS_1252) return '?';
    if (codePoint >= 0xA0 && codePoint <= 0xFF) return static_cast<unsigned char>(codePoint);
    for (unsigned i = 0; i < 32; ++i)
        if (WINDOWS_1252_HIGH[i] == codePoint) return static_cast<unsigned char>(0x80 + i);
    return '?';
}

std::vector<std::string> IcuNames(VEK::CHARSET charset)
{
    for (const NamedCodePage& page : NAMED_CODE_PAGES)
        if (page.codePage == charset) return {page.name};
    const std::string number = std::to_string(charset);
    if (charset >= 28591 && charset <= 28599) return {"ISO-8859-" + std::to_string(charset - 28590)};
    return {"windows-" + number, "cp" + number, "ibm-" + number};
}

} // namespace VEKCharset
