#include <gtest/gtest.h>

#include <string>

#include <VEKParser/VEKParser.h>

#include "tests/IcuOracle.h"

using VEKCharset::Conv;

namespace {

// The library's piecewise loop: convert, append what was produced, carry the unconsumed tail.
VEK::WString Convert(VEK::CHARSET from, const std::string& bytes, std::uint32_t piece)
{
    VEK::WString out;
    std::string pending;
    const Conv::ConversionClass generic(Conv::MbToWcConversionFunction(from), Conv::WcToMbConversionFunction(1201));
    const VEKCharset::ConversionFunction fast = Conv::FastConversionFunction(from, VEK::CHARSET_UTF16);
    unsigned char area[4096];
    for (std::size_t at = 0; at < bytes.size() || !pending.empty();) {
        const std::size_t take = std::min<std::size_t>(piece, bytes.size() - at);
        pending.append(bytes, at, take);
        at += take;
        const bool last = at == bytes.size();
        std::uint32_t consumed = 0, produced = 0;
        const auto* source = reinterpret_cast<const unsigned char*>(pending.data());
        const auto length = static_cast<std::uint32_t>(pending.size());
        if (fast) fast(source, length, consumed, area, sizeof area, produced, last, false);
        else generic(source, length, consumed, area, sizeof area, produced, last, false);
        out.append(reinterpret_cast<const unsigned short*>(area), produced / 2);
        pending.erase(0, consumed);
        if (consumed == 0 && last) break;
    }
    return out;
}

using test_support::Icu;
using test_support::IcuEncode;

} // namespace

TEST(Conv, InvalidAndTruncatedUtf8)
{
    EXPECT_EQ(Convert(VEK::CHARSET_US_ASCII, "A\x80", 10), (VEK::WString{'A', 0xFFFD}));
    EXPECT_EQ(Convert(VEK::CHARSET_UTF8, "a\xFF" "b\xC0\xAF", 100), (VEK::WString{'a', 0xFFFD, 'b', 0xFFFD, 0xFFFD}));
    // A sequence cut off by the end becomes one replacement only when the caller says it is the end.
    const std::string cut = "ab\xE2\x82";
    std::uint32_t consumed = 0, produced = 0;
    unsigned char area[64];
    const auto fast = Conv::FastConversionFunction(VEK::CHARSET_UTF8, VEK::CHARSET_UTF16);
    fast(reinterpret_cast<const unsigned char*>(cut.data()), 4, consumed, area, sizeof area, produced, false, false);
    EXPECT_EQ(consumed, 2u);
    fast(reinterpret_cast<const unsigned char*>(cut.data()), 4, consumed, area, sizeof area, produced, true, false);
    EXPECT_EQ(consumed, 4u);
    EXPECT_EQ(produced, 6u);
}

// Every charset the host names is compared with ICU over many read boundaries by the encoding
// tests; these check the conversion calls themselves.

// Escape-sequence charsets switch modes for the rest of the text, so a long text must read the
// same however many calls and output areas it takes (the converter once lost its state).
TEST(Conv, ShiftStatesHoldAcrossCalls)
{
    struct Case {
        VEK::CHARSET charset;
        const char* icuName;
        std::u16string line;
    };
    const Case cases[] = {
        {50220, "ISO-2022-JP", u"\u65E5\u672C\u8A9E\u306E\u6587\u7AE0 and ASCII, \u30AB\u30BF\u30AB\u30CA.\n"},
        {50225, "ISO-2022-KR", u"\uD55C\uAD6D\uC5B4 \uBB38\uC7A5 and ASCII.\n"},
        {52936, "HZ-GB-2312", u"\u4E2D\u6587\u53E5\u5B50 and ASCII.\n"},
    };
    for (const Case& c : cases) {
        std::u16string text;
        while (text.size() < 12000) text += c.line;
        const std::string bytes = IcuEncode(c.icuName, text);
        const VEK::WString expected = Icu(c.icuName, bytes);
        ASSERT_EQ(expected.size(), text.size()) << c.icuName;
        for (std::uint32_t piece : {1u, 7u, 4096u, 1u << 20})
            EXPECT_EQ(Convert(c.charset, bytes, piece), expected) << c.icuName << " in pieces of " << piece;
    }
}

TEST(Conv, SixteenBitForms)
{
    const std::string machine("A\0\xE9\0", 4), swapped("\0A\0\xE9", 4);
    EXPECT_EQ(Convert(VEK::CHARSET_UTF16, machine + "x", 4096), (VEK::WString{'A', 0xE9}));
    EXPECT_EQ(Convert(VEK::CHARSET_UTF16_SWAPPED, swapped, 1), (VEK::WString{'A', 0xE9}));
    const std::string ucs4("\0\0\0A\0\x01\xF6\0\0\0\xD8\0", 12);
    EXPECT_EQ(Convert(VEK::CHARSET_UCS4, ucs4, 4096), (VEK::WString{'A', 0xD83D, 0xDE00, 0xFFFD}));
}

TEST(Conv, EncodesFromSixteenBitText)
{
    const VEK::WString text{'a', 0xE9, 0x20AC, 0xD83D, 0xDE00, 0x4E00};
    auto encode = [&](VEK::CHARSET to) {
        std::string out;
        unsigned char area[4096];
        std::uint32_t consumed = 0, produced = 0;
        const auto* source = reinterpret_cast<const unsigned char*>(text.data());
        if (auto fast = Conv::FastConversionFunction(VEK::CHARSET_UTF16, to))
            fast(source, static_cast<std::uint32_t>(text.size() * 2), consumed, area, sizeof area, produced, true, false);
        else
            Conv::ConversionClass(Conv::MbToWcConversionFunction(1201), Conv::WcToMbConversionFunction(to))(
                source, static_cast<std::uint32_t>(text.size() * 2), consumed, area, sizeof area, produced, true, false);
        EXPECT_EQ(consumed, text.size() * 2);
        return std::string(reinterpret_cast<char*>(area), produced);
    };
    EXPECT_EQ(encode(VEK::CHARSET_UTF8), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xE4\xB8\x80");
    EXPECT_EQ(encode(VEK::CHARSET_WINDOWS_1252), "a\xE9\x80??");
    EXPECT_EQ(encode(936).substr(0, 2), "a\xA8");
}

TEST(Conv, UnknownCharsetConsumesNothing)
{
    const Conv::ConversionClass convert(Conv::MbToWcConversionFunction(777777),
                                        Conv::WcToMbConversionFunction(VEK::CHARSET_UTF16));
    unsigned char area[64];
    std::uint32_t consumed = 1, produced = 1;
    EXPECT_FALSE(convert(reinterpret_cast<const unsigned char*>("abc"), 3, consumed, area, sizeof area, produced,
                         true, false));
    EXPECT_EQ(consumed, 0u);
    EXPECT_EQ(produced, 0u);
    EXPECT_EQ(Conv::FastConversionFunction(777777, VEK::CHARSET_UTF16), nullptr);
}

TEST(Conv, CharsetNamesAsDocumentsWriteThem)
{
    const std::pair<const char*, VEK::CHARSET> names[] = {
        {"utf-8", 65001},       {" \"UTF-8\" ", 65001}, {"utf8", 65001},       {"ISO-8859-1", 1252},
        {"us-ascii", 1252},     {"windows-1251", 1251}, {"cp1250", 1250},      {"1252", 1252},
        {"Shift_JIS", 932},     {"sjis", 932},          {"euc-kr", 51949},     {"iso-8859-2", 28592},
        {"latin2", 28592},      {"koi8-r", 20866},      {"big5", 950},         {"gb2312", 936},
        {"utf-16be", 1210},     {"tis-620", 874},       {"ibm866", 866},       {"", VEK::CHARSET_UNKNOWN},
        {"bogus", VEK::CHARSET_UNKNOWN}, {"windows-", VEK::CHARSET_UNKNOWN}, {"-5", VEK::CHARSET_UNKNOWN},
    };
    for (const auto& [name, charset] : names) EXPECT_EQ(VEKCharset::CharsetFromName(name), charset) << name;
}
