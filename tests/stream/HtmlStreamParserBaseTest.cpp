#include <gtest/gtest.h>

#include <map>

#include <VEKParser/html/stream/Stream.h>

using namespace VEKParser;

namespace {

struct ParsedTag {
    std::string name;
    std::string attributes;
    bool isEndTag;
    bool isEmptyTag;
    bool operator==(const ParsedTag&) const = default;
};

std::ostream& operator<<(std::ostream& out, const ParsedTag& tag)
{
    return out << tag.name << " [" << tag.attributes << "] end=" << tag.isEndTag << " empty=" << tag.isEmptyTag;
}

ParsedTag Parse(const std::string& raw, VEK::CHARSET charset = 65001)
{
    HtmlStreamParserBaseT<char> base(charset);
    VEK::WString name;
    ParsedTag tag{};
    base.ParseTag(raw, name, tag.attributes, tag.isEndTag, tag.isEmptyTag);
    tag.name = VEK::ToUtf8(name);
    return tag;
}

TEST(HtmlStreamParserBase, NamesAndMarks)
{
    EXPECT_EQ(Parse("<A HREF=x.html>"), (ParsedTag{"a", " href=\"x.html\"", false, false}));
    EXPECT_EQ(Parse("</P>"), (ParsedTag{"p", "", true, false}));
    EXPECT_EQ(Parse("<br/>"), (ParsedTag{"br", "", false, true}));
    EXPECT_EQ(Parse("<img src='a' />"), (ParsedTag{"img", " src=\"a\"", false, true}));
    EXPECT_EQ(Parse("</br/>"), (ParsedTag{"br", "", true, false}));
    EXPECT_EQ(Parse("<p / class=x>"), (ParsedTag{"p", " class=\"x\"", false, false}));
    EXPECT_EQ(Parse("<a=b>"), (ParsedTag{"a=b", "", false, false}));
    EXPECT_EQ(Parse("<!DOCTYPE html>"), (ParsedTag{"!doctype", " html", false, false}));
    EXPECT_EQ(Parse("<>"), (ParsedTag{"", "", false, false}));
    EXPECT_EQ(Parse("<"), (ParsedTag{"", "", false, false}));
    EXPECT_EQ(Parse(""), (ParsedTag{"", "", false, false}));
    // Bytes from 128 on belong to names and are converted from the charset.
    EXPECT_EQ(Parse("<\xC3\x89L x>").name, "\xC3\x89l");  // letter case is ASCII only
    EXPECT_EQ(Parse("<\xC9L x>", 1252).name, "\xC3\x89l");
}

TEST(HtmlStreamParserBase, AttributeNormalisation)
{
    EXPECT_EQ(Parse("<input checked>").attributes, " checked=\"\"");
    EXPECT_EQ(Parse("<a b = 'c' d=e>").attributes, " b=\"c\" d=\"e\"");
    EXPECT_EQ(Parse("<a t='say \"hi\"'>").attributes, " t='say \"hi\"'");
    EXPECT_EQ(Parse("<a t='x\"y' u=\"it's\">").attributes, " t='x\"y' u=\"it's\"");
    EXPECT_EQ(Parse("<a t=\"a'b\" u='\"' v=x\"'>").attributes, " t=\"a'b\" u='\"' v=\"x&quot;'\"");
    EXPECT_EQ(Parse("<a HREF=/x/y/ >").attributes, " href=\"/x/y/\"");
    EXPECT_EQ(Parse("<a b='unterminated>").attributes, " b=\"unterminated\"");
    EXPECT_EQ(Parse("<a =x b>").attributes, " b=\"\"");
}

TEST(HtmlStreamParserBase, ReadingAttributesBack)
{
    HtmlStreamParserBaseT<char> base(65001);
    std::map<std::string, std::string> attributes;
    base.ParseAttributes(" b=\"1\" B=\"2\" c='x\"y'", attributes);
    EXPECT_EQ(attributes, (std::map<std::string, std::string>{{"b", "1"}, {"c", "x\"y"}}));
    std::string value = "stale";
    EXPECT_TRUE(base.FindSingleAttributeKey("href", " HREF=\"u\"", value));
    EXPECT_EQ(value, "u");
    EXPECT_FALSE(base.FindSingleAttributeKey("HREF", " HREF=\"u\"", value));
    EXPECT_TRUE(value.empty());
    // Malformed strings stay within bounds.
    base.ParseAttributes(" a", attributes);
    EXPECT_TRUE(attributes.empty());
    base.ParseAttributes(" a=", attributes);
    base.ParseAttributes(" a=\"open", attributes);
    EXPECT_EQ(attributes, (std::map<std::string, std::string>{{"a", "open"}}));
    EXPECT_FALSE(base.FindSingleAttributeKey("a", "", value));
}

TEST(HtmlStreamParserBase, RoundTripThroughTheNormalisedForm)
{
    const std::string attributes = Parse("<meta Name=\"a&quot;\" CONTENT='x\"y' http-equiv=refresh>", 1252).attributes;
    std::map<std::string, std::string> parsed;
    HtmlStreamParserBaseT<char>(1252).ParseAttributes(attributes, parsed);
    EXPECT_EQ(parsed, (std::map<std::string, std::string>{{"content", "x\"y"}, {"http-equiv", "refresh"},
                                                          {"name", "a&quot;"}}));
}

VEK::WString Units(const std::u16string& text, bool swap)
{
    VEK::WString units;
    for (char16_t unit : text) units.push_back(swap ? static_cast<unsigned short>((unit << 8) | (unit >> 8)) : unit);
    return units;
}

TEST(HtmlStreamParserBase, SixteenBitTagsInBothByteOrders)
{
    for (VEK::CHARSET charset : {1201, 1210}) {
        const bool swap = charset == 1210;
        HtmlStreamParserBaseT<unsigned short> base(charset);
        VEK::WString name, attributes;
        bool end = false, empty = false;
        base.ParseTag(Units(u"<IMG SRC='\u00e9' Alt=\"x\"/>", swap), name, attributes, end, empty);
        EXPECT_EQ(name, Units(u"img", false)) << charset;
        EXPECT_EQ(attributes, Units(u" src=\"\u00e9\" alt=\"x\"", swap)) << charset;
        EXPECT_TRUE(empty);
        VEK::WString value;
        EXPECT_TRUE(base.FindSingleAttributeKey(Units(u"alt", swap), attributes, value));
        EXPECT_EQ(value, Units(u"x", swap));
    }
}

} // namespace
