#include <gtest/gtest.h>

#include <VEKParser/encoding/Encoding.h>
#include <VEKParser/host/MemoryBuffer.h>

#include "tests/IcuOracle.h"
#include "tests/Support.h"
#include "tests/host/ChunkedStream.h"

using VEKParser::SGMLEncodingHelper;

namespace {

VEK::WString FromString(VEK::CHARSET charset, const std::string& bytes)
{
    VEK::WString out = VEK::Widen("stale");
    SGMLEncodingHelper(charset).ExpandToUnicode(bytes, out);
    return out;
}

VEK::WString FromStream(VEK::CHARSET charset, VEK::BinaryStreamBufT<unsigned int>& stream)
{
    VEK::WString out = VEK::Widen("stale");
    SGMLEncodingHelper(charset).ExpandToUnicode(stream, out);
    return out;
}

using test_support::Icu;
using test_support::IcuEncode;

TEST(SGMLEncodingHelper, EmptyInputReplacesTheOutput)
{
    EXPECT_TRUE(FromString(65001, "").empty());
    VEKFile::MemoryBuffer empty(16);
    EXPECT_TRUE(FromStream(65001, empty).empty());
}

// Every byte of windows-1252, and a real page as UTF-8.
TEST(SGMLEncodingHelper, AgreesWithIcu)
{
    std::string bytes;
    for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<char>(b));
    EXPECT_EQ(FromString(1252, bytes), Icu("windows-1252", bytes));
    const std::string page = test_support::ReadFile(test_support::PYTHON_DOC + "/library/stdtypes.html");
    EXPECT_FALSE(page.empty()) << "python3-doc is installed by scripts/setup";
    EXPECT_EQ(FromString(65001, page), Icu("UTF-8", page));
}

TEST(SGMLEncodingHelper, StreamMatchesStringAcrossReadBoundaries)
{
    // Three- and four-byte characters land on every position around the 4096-byte pieces.
    std::string bytes;
    while (bytes.size() < 3 * 4096) bytes += "a\xE2\x82\xAC" "b\xF0\x9F\x98\x80";
    const VEK::WString expected = FromString(65001, bytes);
    for (unsigned slice : {1u, 7u, 4096u}) {
        ChunkedStream stream(bytes, slice);
        EXPECT_EQ(FromStream(65001, stream), expected) << slice;
    }
    VEKFile::MemoryBuffer buffer(bytes.data(), static_cast<unsigned>(bytes.size()));
    buffer.SeekG(100);
    EXPECT_EQ(FromStream(65001, buffer), expected);
    EXPECT_TRUE(buffer.EndOfFile());
}

TEST(SGMLEncodingHelper, TruncatedCharacterAtTheEndIsDropped)
{
    EXPECT_EQ(FromString(65001, "ab\xE2\x82"), VEK::Widen("ab"));
    VEKFile::MemoryBuffer buffer("ab\xF0\x9F\x98", 5);
    EXPECT_EQ(FromStream(65001, buffer), VEK::Widen("ab"));
}

TEST(SGMLEncodingHelper, InvalidBytesGiveReplacementCharacters)
{
    // Lone surrogate encoded in UTF-8, a stray continuation byte and a bad lead byte.
    const VEK::WString out = FromString(65001, "\xED\xA0\x80x\x80y\xFF");
    for (unsigned short unit : out) EXPECT_TRUE(unit == 'x' || unit == 'y' || unit == 0xFFFD);
    EXPECT_NE(out.find('x'), VEK::WString::npos);
    EXPECT_EQ(out.back(), 0xFFFD);
}

TEST(SGMLEncodingHelper, SixteenBitInput)
{
    const std::string machine("a\0\x3D\xD8\x00\xDE", 6);
    EXPECT_EQ(FromString(1201, machine), (VEK::WString{'a', 0xD83D, 0xDE00}));
    EXPECT_EQ(FromString(1210, std::string("\0a\xD8\x3D", 4)), (VEK::WString{'a', 0xD83D}));
    // An odd trailing byte makes no unit.
    EXPECT_EQ(FromString(1201, std::string("a\0b", 3)), VEK::Widen("a"));
    VEKFile::MemoryBuffer odd("a\0b", 3);
    EXPECT_EQ(FromStream(1201, odd), VEK::Widen("a"));
}

TEST(SGMLEncodingHelper, EveryNamedCharsetOverManyReadBoundaries)
{
    // Code pages the host names, with the ICU converter for each.
    const std::pair<VEK::CHARSET, const char*> charsets[] = {
        {20127, "US-ASCII"},      {1250, "windows-1250"}, {1251, "windows-1251"}, {1252, "windows-1252"},
        {1253, "windows-1253"},   {1254, "windows-1254"}, {1255, "windows-1255"}, {1256, "windows-1256"},
        {1257, "windows-1257"},   {1258, "windows-1258"}, {874, "windows-874"},   {866, "ibm-866"},
        {28592, "ISO-8859-2"},    {28595, "ISO-8859-5"},  {28597, "ISO-8859-7"},  {28603, "ISO-8859-13"},
        {28605, "ISO-8859-15"},   {10000, "macintosh"},   {20866, "KOI8-R"},      {21866, "KOI8-U"},
        {932, "windows-31j"},     {936, "windows-936"},   {949, "windows-949"},   {950, "windows-950"},
        {20932, "EUC-JP"},        {51949, "EUC-KR"},      {54936, "GB18030"},     {65001, "UTF-8"},
        {50220, "ISO-2022-JP"},   {50225, "ISO-2022-KR"}, {52936, "HZ-GB-2312"},
    };
    std::u16string text;
    while (text.size() < 3 * 4096)
        text += u"plain ASCII <p class=x> \u00e9\u00fc\u00df \u0391\u03b2\u03b3 \u0416\u0443\u043a "
                u"\u05d0\u0628 \u0e01 \u3042\u30ab\u6f22\u5b57 \ud55c\uad6d \u4e2d\u6587 \u20ac\u2122\n";
    for (const auto& [charset, name] : charsets) {
        const std::string bytes = IcuEncode(name, text);
        const VEK::WString expected = Icu(name, bytes);
        EXPECT_EQ(FromString(charset, bytes), expected) << charset;
        for (unsigned slice : {1u, 7u, 4096u}) {
            ChunkedStream stream(bytes, slice);
            EXPECT_EQ(FromStream(charset, stream), expected) << charset << "/" << slice;
        }
    }
}

} // namespace
