// Tree building: each repair rule on a small document, checked through the node walk.
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <thread>

#include "tests/doctree/TreeShape.h"

using namespace VEKParser;
using doctree_test::ParseInto;
using doctree_test::Shape;
using doctree_test::ShapeOf;

namespace {

struct ShapeCase {
    const char* html;
    const char* shape;
};

void ExpectShapes(std::initializer_list<ShapeCase> cases)
{
    for (const ShapeCase& c : cases) EXPECT_EQ(ShapeOf(c.html), c.shape) << c.html;
}

const HtmlDocTree::HtmlTreeNode& Master(const HtmlDocTree& tree) { return **tree.Begin(); }

const HtmlDocTree::HtmlTreeNode& Child(const HtmlDocTree::HtmlTreeNode& node, std::size_t index)
{
    return *node.Begin()[index];
}

TEST(BuildTree, EmptyStreamGivesTheMasterNodeOnly)
{
    HtmlDocTree tree;
    EXPECT_EQ(tree.GetNodeNumber(), 0u);
    EXPECT_EQ(tree.Begin(), tree.End());
    EXPECT_EQ(tree.GetCharset(), -1);
    EXPECT_TRUE(ParseInto(tree, ""));
    ASSERT_EQ(tree.End() - tree.Begin(), 1);
    const auto& master = Master(tree);
    EXPECT_STREQ(master.GetTagName(), "document-master-node");
    EXPECT_TRUE(master.IsMatch(KW_NONE));
    EXPECT_FALSE(master.HasChild());
    EXPECT_EQ(master.GetOffsetFromSource(), 0u);
    EXPECT_EQ(master.GetRawSize(), 0u);
}

TEST(BuildTree, DocumentLevelTextAndWhiteSpace)
{
    HtmlDocTree tree(65001);
    ParseInto(tree, "word<p>");
    EXPECT_EQ(Shape(tree), "\"word\" p");
    EXPECT_EQ(tree.GetNodeNumber(), 1u) << "tag nodes are not counted";
    EXPECT_STREQ(Child(Master(tree), 0).GetTagName(), "orphan-text-block");
    EXPECT_EQ(Child(Master(tree), 0).GetKeywordID(), KW_TEXT);

    EXPECT_EQ(ShapeOf("one  \r\n  two"), "\"one two\"");
    EXPECT_EQ(ShapeOf("x <p> \t\r\n <p>y"), "\"x \" p p \"y\"") << "blank-only text after a blank adds no node";
    EXPECT_EQ(ShapeOf("x<p> \t<p>y"), "\"x\" p \" \" p \"y\"");
    EXPECT_EQ(ShapeOf("<pre>a\n  b</pre>"), "pre(\"a\n  b\")") << "preformatted text keeps its white space";
}

TEST(BuildTree, ParagraphAndBreakAreLeaves)
{
    EXPECT_EQ(ShapeOf("<p>text"), "p \"text\"");
    EXPECT_EQ(ShapeOf("<div>a<p>b<br>c</p>d</div>"), "div(\"a\" p \"b\" br \"c\" p \"d\")");
}

TEST(BuildTree, ImpliedEndTags)
{
    EXPECT_EQ(ShapeOf("<ul><li>one<li>two</ul>"), "ul(li(\"one\") li(\"two\"))");
    EXPECT_EQ(ShapeOf("<select><option>a<option>b</select>"), "select(option(\"a\") option(\"b\"))");
    // An image is a container that the next tag ends.
    EXPECT_EQ(ShapeOf("<div>x<img src=a.png>y</div>z"), "div(\"x\" img(\"y\")) \"z\"");
}

TEST(BuildTree, MisnestedEndTagsAreUnwoundAndReopened)
{
    EXPECT_EQ(ShapeOf("<div><b>one<i>two</b>three</i></div>"), "div(b(\"one\" i(\"two\")) i(\"three\"))");
    // At the top level the word after the early end tag is collected before the replay.
    EXPECT_EQ(ShapeOf("<b><i>x</b>word</i>"), "b(i(\"x\")) \"word\" i");
    // Two levels closed early come back nested in their old order.
    EXPECT_EQ(ShapeOf("<div><b><i><u>x</b>y</u>z</i></div>"),
              "div(b(i(u(\"x\"))) i(u(\"y\") \"z\"))");
}

TEST(BuildTree, UnknownAndStrayTagsBecomeText)
{
    ExpectShapes({
        {"<div>a<font color=red>b</font>c</div>", "div(\"a\" \"b\" \"c\")"},
        {"<div>a</span>b</div>", "div(\"a\" \"b\")"},
        {"a</i>b", "\"a\" \"b\""},
        {"if a < b then c > d", "\"if a \" \"< b then c >\" \" d\""},
        // The bytes before an embedded tag start stay as text; the tag is handled next.
        {"a<<b>x</b>", "\"a\" \"<\" b(\"x\")"},
    });
}

TEST(BuildTree, TableLevelsAreEmulated)
{
    HtmlDocTree tree(65001);
    ParseInto(tree, "<table><td>x</td></table>");
    EXPECT_EQ(Shape(tree), "table(tr(td(\"x\")))");
    const auto& row = Child(Child(Master(tree), 0), 0);
    EXPECT_EQ(row.GetOffsetFromSource(), 0u);
    EXPECT_EQ(row.GetRawSize(), 0u);

    EXPECT_EQ(ShapeOf("<table><tr><td>a<td>b</table>"), "table(tr(td(\"a\") td(\"b\")))");
    EXPECT_EQ(ShapeOf("<table><tr><td>a<tr><th>b</table>"), "table(tr(td(\"a\")) tr(th(\"b\")))");
    EXPECT_EQ(ShapeOf("<table><tr>x<b>y</b></table>"), "table(tr(\"x\" td(b(\"y\"))))") << "a tag in a row gets a cell";
    EXPECT_EQ(ShapeOf("<td>a</td>b"), "td(\"a\") \"b\"") << "no table is emulated at the top level";
    // A tag that would end the cell emulated for it is handled inside that cell.
    EXPECT_EQ(ShapeOf("<table><tr><td/>x</tr></table>"), "table(tr(td(\"x\")))");
    EXPECT_EQ(ShapeOf("<table><tr></tdx>y</table>"), "table(tr(td(\"y\")))");
}

TEST(BuildTree, TitlesAndTheSummary)
{
    HtmlDocTree tree(65001);
    ParseInto(tree, "<title> The  <b>first</b>\ttitle </title>rest<title>second</title>");
    EXPECT_EQ(Shape(tree), "title(\"The first title\") \"rest\" title");
    HtmlDocTree::DocSummaryInformation summary;
    tree.GetSummaryInformation(summary);
    EXPECT_EQ(VEK::ToUtf8(summary.m_sTitle), "The first title");

    tree.Reset();
    EXPECT_EQ(tree.Begin(), tree.End());
    ParseInto(tree, "<TITLE>other</TITLE>");
    tree.GetSummaryInformation(summary);
    EXPECT_EQ(VEK::ToUtf8(summary.m_sTitle), "The first title") << "Reset keeps the summary";
    EXPECT_EQ(Shape(tree), "title(\"other\")") << "the end text matches in any case";

    EXPECT_EQ(ShapeOf("<title>never closed <p> at all"), "title(\"never closed  at all\")");
}

TEST(BuildTree, SkippedContentNeverReachesTheTree)
{
    ExpectShapes({
        {"<script>if (a<b) x='</div>';</SCRIPT>after", "\"after\""},
        {"<div>a<style>p{}</style >b</div>", "div(\"a\" \"b\")"},
        {"<!-- whole -->x<!-- a > b -->y", "\"x\" \"y\""},
        {"<?xml version='1.0'?><div>z</div>", "div(\"z\")"},
        {"<script>never ends", ""},
        {"a<!-- never ends", "\"a\""},
    });
}

TEST(BuildTree, NestingLimit)
{
    // A division start tag ends an open division, so divisions nest only with other tags between.
    const auto nested = [](int depth) {
        std::string html;
        for (int i = 0; i < depth; ++i) html += i % 2 == 0 ? "<div>" : "<b>";
        return html + "x";
    };
    HtmlDocTree deepest(65001);
    EXPECT_TRUE(ParseInto(deepest, nested(129)));
    HtmlDocTree tooDeep(65001);
    EXPECT_FALSE(ParseInto(tooDeep, nested(130)));
    EXPECT_EQ(tooDeep.End() - tooDeep.Begin(), 1) << "the nodes built so far stay";
}

TEST(BuildTree, SourceOffsetsAndSizes)
{
    HtmlDocTree tree(65001);
    ParseInto(tree, "<div class=x>cd</div><p>e");
    const auto& master = Master(tree);
    const auto& division = Child(master, 0);
    EXPECT_EQ(division.GetOffsetFromSource(), 0u);
    EXPECT_EQ(division.GetRawSize(), 13u) << "the tag with its '>'";
    EXPECT_EQ(Child(division, 0).GetOffsetFromSource(), 13u);
    EXPECT_EQ(Child(division, 0).GetRawSize(), 2u);
    const auto& paragraph = Child(master, 1);
    EXPECT_EQ(paragraph.GetOffsetFromSource(), 21u);
    EXPECT_EQ(paragraph.GetRawSize(), 2u) << "an empty tag's '>' is passed after its node is made";

    HtmlDocTree leading(65001);
    ParseInto(leading, "ab<div>");
    EXPECT_EQ(Child(Master(leading), 0).GetRawSize(), 2u);
    EXPECT_EQ(Child(Master(leading), 1).GetOffsetFromSource(), 0u) << "the first tag's source starts with the document";
    EXPECT_EQ(Child(Master(leading), 1).GetRawSize(), 7u);
}

TEST(BuildTree, SecondParseAppendsASecondMasterNode)
{
    const std::string html = "<b>x</b>";
    const HtmlKeywordTable table(DEFAULT_PRT);
    VEKFile::MemoryBuffer stream(html.data(), static_cast<unsigned int>(html.size()));
    HtmlDocTree tree(65001);
    HtmlDocParser parser(stream, table, tree);
    EXPECT_TRUE(parser.Parse());
    EXPECT_TRUE(parser.Parse());
    EXPECT_EQ(Shape(tree), "b(\"x\") | b(\"x\")");
    EXPECT_EQ(tree.GetNodeNumber(), 2u);
}

TEST(BuildTree, TagTextsLongerThanTheKeywordBuffer)
{
    const std::string filler(5000, 'y');
    EXPECT_EQ(ShapeOf("<div " + filler + ">t</div>"), "div(\"t\")");
    HtmlDocTree tree(65001);
    ParseInto(tree, "< " + filler + ">after");
    ASSERT_EQ(Master(tree).End() - Master(tree).Begin(), 2);
    std::string text;
    Child(Master(tree), 0).GetRawText(text);
    EXPECT_EQ(text, "< " + std::string(4094, 'y') + ">") << "the text keeps the buffer's 4096 bytes and the '>'";
    Child(Master(tree), 1).GetRawText(text);
    EXPECT_EQ(text, "after");
}

TEST(BuildTree, ProfilesDecideWhatIsAKeyword)
{
    HtmlDocTree tree(65001);
    ParseInto(tree, "<div>a<b>b</b></div>", NOTAG_PRT);
    EXPECT_EQ(Shape(tree), "\"a\" \"b\"");
}

TEST(BuildTree, CopiedNodesShareChildrenAndParameters)
{
    HtmlDocTree tree(65001);
    ParseInto(tree, "<a href=x.html>go</a>");
    HtmlDocTree::HtmlTreeNode copy;
    {
        auto source = std::make_unique<HtmlDocTree::HtmlTreeNode>(Child(Master(tree), 0));
        copy = *source;
        const HtmlDocTree::HtmlTreeNode& same = copy;
        copy = same;
    }
    tree.Reset();
    std::string value;
    copy.GetParam("href", value);
    EXPECT_EQ(value, "x.html");
    ASSERT_TRUE(copy.HasChild());
    EXPECT_STREQ(copy.GetTagName(), "a");
}

// Nodes live in memory the parse shares out; a node kept by a caller outlives its tree and may
// be released on another thread.
TEST(BuildTree, KeptNodesOutliveTheirTree)
{
    HtmlDocTree::NodeHolder kept;
    {
        auto tree = std::make_unique<HtmlDocTree>(65001);
        ParseInto(*tree, "<div><b>x</b><a href=y>z</a></div>" + std::string(100000, 'w') + "<p>");
        kept = *tree->Begin();
    }
    ASSERT_EQ(kept->End() - kept->Begin(), 3);
    std::string value;
    kept->Begin()[0]->Begin()[1]->GetParam("href", value);
    EXPECT_EQ(value, "y");
    std::thread([holder = std::move(kept)]() mutable { holder.Reset(); }).join();
}

} // namespace
