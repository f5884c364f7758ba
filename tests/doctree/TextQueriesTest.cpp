#include <gtest/gtest.h>

#include <regex>
#include <string>

#include <VEKParser/foundation/Exceptions.h>

#include "tests/doctree/ParsedDocument.h"

using namespace VEKParser;
using doctree_test::Bytes;
using doctree_test::Parse;
using doctree_test::Text;
using doctree_test::Utf8;

namespace {

TEST(TextQueries, SpacingWhiteSpaceAndReferences)
{
    const std::string refs = "caf&eacute; &amp; &#233;&#150;&mdash;&sup2;";
    const std::string expanded = "caf\u00e9 & \u00e9\u2013\u2014\u22832;";
    const struct {
        std::string html;
        VEK::CHARSET charset;
        std::string text;
    } cases[] = {
        // br: blank before only; td: blank after only; table and tr: both; b: none.
        {"a<br>b", 65001, "a b"},
        {"x<table><tr><td>y</td></tr></table>z", 65001, "x  y   z"},
        {"un<b>broken</b>word", 65001, "unbrokenword"},
        {"<ul><li>one<li>two</ul>", 65001, "  one two "},
        // White-space runs collapse to one blank. Four blanks: the text's own, the division's
        // two, the last text's own; the division's blank-only text after a blank adds none.
        {"<div>two  \r\n\t  words</div>", 65001, " two words "},
        {"lead   <div>\n\n</div>   trail", 65001, "lead    trail"},
        // References expand in every charset.
        {"<div>" + refs + " \xc3\xa9</div>", 65001, " " + expanded + " \u00e9 "},
        {"<div>" + refs + " \xe9\x80</div>", 1252, " " + expanded + " \u00e9\u20ac "},
        // The tree parser looks for markup bytes, so a 16-bit document yields text only at the
        // document level, where the text starts on a unit boundary.
        {doctree_test::Wide(refs + " x"), 1201, expanded + " x"},
        // "&am" and "p;" meet only in the output; each node is expanded alone.
        {"&am<b>p;</b>", 65001, "&amp;"},
    };
    for (const auto& c : cases) EXPECT_EQ(Text(*Parse(c.html, c.charset)), c.text) << c.html;
}

// White space is looked for sixteen bytes at a time: runs and single blanks collapse the same
// at every position around the end of such a block.
TEST(TextQueries, WhiteSpaceCollapsesAtEveryPosition)
{
    const std::regex whiteSpace("[ \t\n\v\f\r]+");
    for (const std::string run : {" ", "  ", "\n", " \t", "\r\n ", "\f"}) {
        for (std::size_t at = 0; at < 40; ++at) {
            std::string text(40, 'x');
            text.insert(at, run);
            const std::string expected = " " + std::regex_replace(text, whiteSpace, " ") + " ";
            EXPECT_EQ(Text(*Parse("<div>" + text + "</div>")), expected) << at;
        }
    }
}

TEST(TextQueries, FilterKeepsTextBelowMatchingKeywords)
{
    const auto tree = Parse("<title>The  title</title>plain<b>bold</b><h3>third</h3><i>it</i>");
    VEK::WString out;
    tree->GetText(out, NODE_ATT_TITLE);
    EXPECT_EQ(Utf8(out), "The title  ") << "blanks of spacing keywords are written whatever the filter";
    tree->GetText(out, NODE_ATT_EMPHASIS2);
    EXPECT_EQ(Utf8(out), "bold third ");
    Parse("<p>no title here")->GetText(out, NODE_ATT_TITLE);
    EXPECT_EQ(Utf8(out), "  ") << "the paragraph's blanks are not text";

    // The stream forms append.
    VEKFile::MemoryBuffer stream(4096);
    const unsigned short mark = 'm';
    stream.Put(&mark, 2);
    Parse("<b>x</b>")->GetText(stream);
    Parse("<b>x</b>")->GetText(stream, NODE_ATT_EMPHASIS2);
    VEK::WString text;
    stream.SeekG(0);
    stream.Copy(text);
    EXPECT_EQ(Utf8(text), "mxx");
}

TEST(TextQueries, RawTextStopsAtTheLimit)
{
    const auto tree = Parse("<div>caf&eacute; au lait</div>tail");
    VEKFile::MemoryBuffer all(4096);
    tree->GetRawText(all, 0xFFFFFFFFu);
    EXPECT_EQ(Bytes(all), " caf&eacute; au lait tail") << "raw text keeps references as written";

    VEKFile::MemoryBuffer five(4096);
    tree->GetRawText(five, 5);
    EXPECT_EQ(Bytes(five), " caf&");
    tree->GetRawText(five, 5);
    EXPECT_EQ(Bytes(five), " caf&") << "a full stream takes nothing more";
    tree->GetRawText(five, 7);
    EXPECT_EQ(Bytes(five), " caf&" " c");
}

TEST(TextQueries, HiddenTextHoldsCaptionsAndKeywordsInDocumentOrder)
{
    const auto tree = Parse("<img alt=\"a &amp; b\" src=x><a href=y alt=\"anchor\">text</a>"
                            "<frame src=f name=main><link href=l title=\"Style  sheet\">");
    VEK::WString out;
    tree->GetHiddenText(out, HIDDEN_ATT_CAPTION);
    EXPECT_EQ(Utf8(out), "a & b anchor main Style  sheet ");
    tree->GetHiddenText(out, HIDDEN_ATT_KEYWORDS);
    EXPECT_EQ(Utf8(out), "a & b anchor main Style  sheet ") << "nothing matched: the output is left as it was";
    EXPECT_EQ(Text(*tree), "text") << "hidden text is not visible text";
}

// The flat text widens plain texts straight into room made for many of them; texts decoded
// apart (a reference, a non-ASCII character) fall between them, and a string that held a
// longer text before ends up holding exactly the new one.
TEST(TextQueries, ManyTextsGatherIntoOneString)
{
    std::string html;
    std::string expected;
    for (int i = 0; i < 300; ++i) {
        const std::string number = std::to_string(i);
        html += "<b>" + number + (i % 7 == 0 ? "&lt;" : i % 5 == 0 ? "\xc3\xa9" : "") + "</b>";
        expected += number + (i % 7 == 0 ? "<" : i % 5 == 0 ? "\xc3\xa9" : "");
    }
    VEK::WString out(100000, 'x');
    Parse(html)->GetText(out);
    EXPECT_EQ(Utf8(out), expected);
}

TEST(TextQueries, UnknownCharsetFailsWhereTextMustBeDecoded)
{
    const auto tree = Parse("<div>x</div>", VEK::CHARSET_UNKNOWN);
    VEK::WString out = VEK::Widen("kept");
    EXPECT_THROW(tree->GetText(out), ParserInvalidEncodingException);
    EXPECT_EQ(out, VEK::Widen("kept")) << "a failed query leaves the string as it was";
    EXPECT_THROW(tree->GetText(out, NODE_ATT_TITLE), ParserInvalidEncodingException);
    EXPECT_THROW(tree->GetHiddenText(out, HIDDEN_ATT_CAPTION), ParserInvalidEncodingException);

    VEKFile::MemoryBuffer stream(4096);
    EXPECT_THROW(tree->GetText(stream), ParserInvalidEncodingException);
    EXPECT_EQ(stream.Size(), 2u) << "the division's blank was written before the text failed";
    VEKFile::MemoryBuffer raw(4096);
    tree->GetRawText(raw, 0xFFFFFFFFu);
    EXPECT_EQ(Bytes(raw), " x ");

    HtmlDocTree empty;
    EXPECT_NO_THROW(empty.GetText(out));
    EXPECT_TRUE(out.empty());
}

// The master node's children are the text block, the anchor and the bold element.
TEST(TextQueries, NodeTextAndParameters)
{
    const auto tree = Parse("x&lt;y<a href=\"t.html\" name='n&amp;m' class=c>go</a><b>b</b>");
    const HtmlDocTree::HtmlTreeNode& master = **tree->Begin();
    ASSERT_EQ(master.End() - master.Begin(), 3);
    const HtmlDocTree::HtmlTreeNode& text = **master.Begin();
    const HtmlDocTree::HtmlTreeNode& anchor = *master.Begin()[1];

    VEK::WString wide = VEK::Widen(">");
    text.GetText(wide);
    EXPECT_EQ(Utf8(wide), ">x<y") << "node text is appended";
    std::string raw = "old";
    text.GetRawText(raw);
    EXPECT_EQ(raw, "x&lt;y");
    anchor.GetRawText(raw);
    EXPECT_TRUE(raw.empty()) << "a tag node has no text of its own";
    master.Begin()[2]->GetText(wide);
    EXPECT_TRUE(wide.empty());

    std::string value;
    anchor.GetParam("name", value);
    EXPECT_EQ(value, "n&amp;m");
    anchor.GetParam("name", wide);
    EXPECT_EQ(Utf8(wide), "n&m");
    anchor.GetParam("HREF", value);
    EXPECT_TRUE(value.empty()) << "parameter names are exact";
    EXPECT_TRUE(anchor.IsParam("class"));
    EXPECT_FALSE(anchor.IsParam("alt"));
    EXPECT_FALSE(text.IsParam("href"));
}

} // namespace
