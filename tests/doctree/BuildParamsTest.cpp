// Tag parameters: values kept on nodes, hidden-text nodes, document values and the meta map.
#include <gtest/gtest.h>

#include <string>

#include <VEKParser/foundation/Exceptions.h>

#include "tests/doctree/ParsedDocument.h"

using namespace VEKParser;
using doctree_test::ParseInto;
using doctree_test::Shape;

namespace {

constexpr auto kLinkNode = static_cast<HiddenAtt>(0x40000);

const HtmlDocTree::HtmlTreeNode& FirstNode(const HtmlDocTree& tree) { return **(*tree.Begin())->Begin(); }

std::string Param(const HtmlDocTree::HtmlTreeNode& node, const std::string& name)
{
    std::string value;
    node.GetParam(name, value);
    return value;
}

std::string Utf8(void (HtmlDocTree::*query)(VEK::WString&) const, const HtmlDocTree& tree)
{
    VEK::WString out;
    (tree.*query)(out);
    return VEK::ToUtf8(out);
}

TEST(BuildParams, LinkTargetsAreTidiedAndMarkTheNode)
{
    HtmlDocTree tree(65001);
    ParseInto(tree, "<a class=nav HREF=\" dir/\r\n\tpage.html \" name='top'>x</a>");
    const auto& anchor = FirstNode(tree);
    EXPECT_EQ(Param(anchor, "href"), "dir/page.html") << "upper-case names are found; line breaks go";
    EXPECT_EQ(Param(anchor, "name"), "top");
    EXPECT_EQ(Param(anchor, "class"), "nav");
    EXPECT_TRUE(anchor.IsMatch(kLinkNode));

    HtmlDocTree spaced(65001);
    ParseInto(spaced, "<a href='a b\nc'>x</a><b>y</b>");
    EXPECT_EQ(Param(FirstNode(spaced), "href"), "a bc") << "blanks inside a target stay";
    EXPECT_FALSE((*(*spaced.Begin())->Begin()[1]).IsMatch(kLinkNode));

    HtmlDocTree longValue(65001);
    const std::string target(3000, 'x');
    ParseInto(longValue, "<a class=c href=" + target + ">x</a>");
    EXPECT_EQ(Param(FirstNode(longValue), "href"), target) << "more than a small object holds";
    EXPECT_EQ(Param(FirstNode(longValue), "class"), "c");
}

TEST(BuildParams, ValuesAreFoundByNameAnywhereInTheTag)
{
    HtmlDocTree tree(65001);
    ParseInto(tree, "<a href name=n>x</a>");
    EXPECT_EQ(Param(FirstNode(tree), "href"), "n") << "a name without '=' takes the next value";
    HtmlDocTree empty(65001);
    ParseInto(empty, "<a href=\"\" name=>x</a>");
    EXPECT_FALSE(FirstNode(empty).IsParam("href"));
    EXPECT_FALSE(FirstNode(empty).IsMatch(kLinkNode));
    HtmlDocTree nul(65001);
    ParseInto(nul, std::string("<a href=\"ab\0cd\">x</a>", 20));
    EXPECT_EQ(Param(FirstNode(nul), "href"), "ab") << "a value ends at a zero byte";

    // A name counts only as a whole word between delimiters, wherever the word lies in the tag.
    const std::string far(70, 'f');
    const struct {
        std::string tag;
        const char* href;
    } cases[] = {
        {"<a xhref=1 hrefs=2 HREF=3", "3"},
        {"<a data-" + far + "=1 href=2", "2"},
        {"<a title=" + far + ";href;=4", "4"},
        {"<a title=\"x href\" class=c", "c"},
        {"<a class=c href", ""},
    };
    for (const auto& c : cases) {
        HtmlDocTree found(65001);
        ParseInto(found, c.tag + ">x</a>");
        EXPECT_EQ(Param(FirstNode(found), "href"), c.href) << c.tag;
    }
}

TEST(BuildParams, HiddenTextNodes)
{
    HtmlDocTree tree(65001);
    ParseInto(tree, "<img src=p.png alt=\"A picture\">");
    EXPECT_EQ(Shape(tree), "img(hidden\"A picture\")");
    const auto& hidden = **FirstNode(tree).Begin();
    EXPECT_STREQ(hidden.GetTagName(), "hidden-text-block ( 0x00010000 )");
    EXPECT_TRUE(hidden.IsMatch(KW_HIDDEN_TEXT));
    EXPECT_TRUE(hidden.IsMatch(HIDDEN_ATT_CAPTION));
    EXPECT_EQ(tree.GetNodeNumber(), 0u) << "hidden texts are not counted";

    HtmlDocTree link(65001);
    ParseInto(link, "<div><a href=a.html alt=Alt>x</a></div>");
    EXPECT_EQ(Shape(link), "div(a(hidden\"Alt\" \"x\"))") << "hidden text comes before the text after the tag";
}

TEST(BuildParams, MetaValuesFillTheTree)
{
    HtmlDocTree tree(65001);
    ParseInto(tree,
              "<META http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">"
              "<meta http-equiv=content-type content='text/html; charset=utf-8'>"
              "<meta http-equiv=\"refresh\" content=\"5; url=http://example.org/next?a=1&amp;b=2\">"
              "<meta name=author content=\"Ann\"><meta name=Author content=\"Bob\">"
              "<meta name=subject content=\"One\"><meta name=dc.subject content=\"Two\">"
              "<meta name=keywords content=\"html, trees\"><meta name=dc.keywords content=parsing>"
              "<base href=\"\"><base href=\" http://example.org/base/ \"><base href=http://other/>");
    EXPECT_EQ(Utf8(&HtmlDocTree::GetMetaCharset, tree), "windows-1251") << "the first charset wins";
    EXPECT_EQ(Utf8(&HtmlDocTree::GetMetaRedirectUri, tree), "http://example.org/next?a=1&b=2");
    EXPECT_EQ(Utf8(&HtmlDocTree::GetBaseUri, tree), "http://example.org/base/") << "an empty href sets nothing";
    HtmlDocTree::DocSummaryInformation summary;
    tree.GetSummaryInformation(summary);
    EXPECT_EQ(VEK::ToUtf8(summary.m_sAuthor), "Ann, Bob");
    EXPECT_EQ(VEK::ToUtf8(summary.m_sSubject), "One\nTwo");
    EXPECT_EQ(VEK::ToUtf8(summary.m_sKeywords), "html, trees, parsing");

    VEK::WString author;
    tree.GetMetaInfo(author, "AUTHOR");
    EXPECT_EQ(VEK::ToUtf8(author), "Ann") << "the meta map keeps the first of names equal but for case";
    std::size_t entries = 0;
    for (auto it = tree.GetMetaMapBegin(); it != tree.GetMetaMapEnd(); ++it) ++entries;
    EXPECT_EQ(entries, 5u);
    EXPECT_EQ(Shape(tree), "") << "meta and base tags leave no node";
}

TEST(BuildParams, MetaTagsCutByAStrayLessThan)
{
    HtmlDocTree tree(65001);
    ParseInto(tree, "<meta name=\"description\" content=\"a <b>bold</b> claim\">after");
    VEK::WString description;
    tree.GetMetaInfo(description, "description");
    EXPECT_EQ(VEK::ToUtf8(description), "a bold claim") << "the pieces are joined and the embedded tags wiped";
    EXPECT_EQ(Shape(tree), "\"after\"");

    HtmlDocTree ended(65001);
    ParseInto(ended, "<meta name=x content=\"a<meta name=y content=z>");
    VEK::WString value;
    ended.GetMetaInfo(value, "x");
    EXPECT_EQ(VEK::ToUtf8(value), "a") << "a tag that ends the meta tag is cut off, not joined";
    ended.GetMetaInfo(value, "y");
    EXPECT_TRUE(value.empty());
}

TEST(BuildParams, DocumentsWithoutACharset)
{
    HtmlDocTree unknown;
    EXPECT_THROW(ParseInto(unknown, "<p>x<meta name=author content=Ann>"), ParserInvalidEncodingException);
    EXPECT_EQ(Shape(unknown), "p \"x\"") << "the nodes built before stay";
    HtmlDocTree nested;
    EXPECT_THROW(ParseInto(nested, "<div><b>x<i>y<meta name=author content=Ann>"), ParserInvalidEncodingException);
    EXPECT_EQ(Shape(nested), "div(b(\"x\" i(\"y\")))") << "open elements keep their children";

    HtmlDocTree plain;
    EXPECT_TRUE(ParseInto(plain, "<title>t</title><a href=x.html>x</a><img alt=pic>"));
    HtmlDocTree::DocSummaryInformation summary;
    plain.GetSummaryInformation(summary);
    EXPECT_TRUE(summary.m_sTitle.empty()) << "the title is decoded only with a known charset";
}

TEST(BuildParams, ConvertStringAppendsAndCountsBytes)
{
    VEK::WString out = VEK::Widen(">");
    EXPECT_EQ(HtmlDocParser::ConvertString(65001, 1201, "caf\xc3\xa9", out, false, true), 5u);
    EXPECT_EQ(VEK::ToUtf8(out), ">caf\u00e9");
    const std::string big(10000, 'x');
    out.clear();
    EXPECT_EQ(HtmlDocParser::ConvertString(1252, 1201, big, out, false, true), 10000u);
    EXPECT_EQ(out.size(), 10000u) << "longer than one conversion area";
    out.clear();
    EXPECT_EQ(HtmlDocParser::ConvertString(-1, 1201, "abc", out, false, true), 0u);
    EXPECT_TRUE(out.empty());
}

} // namespace
