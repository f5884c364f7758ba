#include <gtest/gtest.h>

#include <string>

#include <VEKParser/asn/ConvertStream.h>
#include <VEKParser/host/MemoryBuffer.h>

using VEKParser::ConvertStream;

namespace {

struct Converted {
    std::uint32_t m_uConsumed;
    VEK::WString m_sText;
};

Converted Convert(VEK::CHARSET from, const std::string& bytes)
{
    VEKFile::MemoryBuffer source(bytes.data(), static_cast<unsigned int>(bytes.size()));
    VEKFile::MemoryBuffer destination(1024);
    const std::uint32_t consumed = ConvertStream(from, VEK::CHARSET_UTF16, source, destination, false, true);
    VEK::WString text;
    destination.Copy(text);
    return {consumed, text};
}

VEK::WString Wide(const std::u16string& text) { return VEK::WString(text.begin(), text.end()); }

} // namespace

TEST(ConvertStreamTest, CharactersCutByTheInputAreaAreCarriedOver)
{
    // The euro sign's three bytes straddle the end of the first 4096-byte pass.
    const std::string bytes = std::string(4095, 'a') + "\xE2\x82\xAC" + std::string(5000, 'b');
    const Converted converted = Convert(VEK::CHARSET_UTF8, bytes);
    EXPECT_EQ(converted.m_uConsumed, bytes.size());
    EXPECT_EQ(converted.m_sText, Wide(std::u16string(4095, u'a') + u"\u20AC" + std::u16string(5000, u'b')));
}

TEST(ConvertStreamTest, UnfinishedCharactersAndUnknownCharsetsConvertNothingMore)
{
    const Converted cut = Convert(VEK::CHARSET_UTF8, "ab\xE2\x82");
    EXPECT_EQ(cut.m_uConsumed, 2u);
    EXPECT_EQ(cut.m_sText, Wide(u"ab"));

    const Converted unknown = Convert(12345, "abc");
    EXPECT_EQ(unknown.m_uConsumed, 0u);
    EXPECT_TRUE(unknown.m_sText.empty());
}

TEST(ConvertStreamTest, CharsetsWithoutADirectConversionGoThroughTwoSteps)
{
    const Converted cyrillic = Convert(1251, "\xC0\xE1 z");
    EXPECT_EQ(cyrillic.m_uConsumed, 4u);
    EXPECT_EQ(cyrillic.m_sText, Wide(u"\u0410\u0431 z"));
}
