// Tree building: each repair rule on a small document, checked through the node walk.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

#include "tests/doctree/ParsedDocument.h"

using namespace VEKParser;
using doctree_test::Parse;
using doctree_test::ParseInto;
using doctree_test::Shape;
using doctree_test::ShapeOf;

namespace {

const HtmlDocTree::HtmlTreeNode& Master(const HtmlDocTree& tree) { return **tree.Begin(); }

const HtmlDocTree::HtmlTreeNode& Child(const HtmlDocTree::HtmlTreeNode& node, std::size_t index)
{
    return *node.Begin()[index];
}

TEST(BuildTree, EachRepairRuleGivesItsShape)
{
    const std::string filler(5000, 'y');
    const std::pair<std::string, std::string> cases[] = {
        // Document-level text and white space; preformatted text keeps its white space.
        {"word<p>", "\"word\" p"},
        {"one  \r\n  two", "\"one two\""},
        {"x <p> \t\r\n <p>y", "\"x \" p p \"y\""},  // blank-only text after a blank adds no node
        {"x<p> \t<p>y", "\"x\" p \" \" p \"y\""},
        {"<pre>a\n  b</pre>", "pre(\"a\n  b\")"},
        // Paragraph and break are leaves.
        {"<div>a<p>b<br>c</p>d</div>", "div(\"a\" p \"b\" br \"c\" p \"d\")"},
        // Implied end tags; an image is a container that the next tag ends.
        {"<ul><li>one<li>two</ul>", "ul(li(\"one\") li(\"two\"))"},
        {"<select><option>a<option>b</select>", "select(option(\"a\") option(\"b\"))"},
        {"<div>x<img src=a.png>y</div>z", "div(\"x\" img(\"y\")) \"z\""},
        // Misnested end tags are unwound and reopened, two levels in their old order; at the top
        // level the word after the early end tag is collected before the replay.
        {"<div><b>one<i>two</b>three</i></div>", "div(b(\"one\" i(\"two\")) i(\"three\"))"},
        {"<b><i>x</b>word</i>", "b(i(\"x\")) \"word\" i"},
        {"<div><b><i><u>x</b>y</u>z</i></div>", "div(b(i(u(\"x\"))) i(u(\"y\") \"z\"))"},
        // Unknown and stray tags become text; the bytes before an embedded tag start stay text.
        {"<div>a<font color=red>b</font>c</div>", "div(\"a\" \"b\" \"c\")"},
        {"<div>a</span>b</div>", "div(\"a\" \"b\")"},
        {"a</i>b", "\"a\" \"b\""},
        {"if a < b then c > d", "\"if a \" \"< b then c >\" \" d\""},
        {"a<<b>x</b>", "\"a\" \"<\" b(\"x\")"},
        // Table levels are emulated, but not at the top level; a tag in a row gets a cell.
        {"<table><td>x</td></table>", "table(tr(td(\"x\")))"},
        {"<table><tr><td>a<td>b</table>", "table(tr(td(\"a\") td(\"b\")))"},
        {"<table><tr><td>a<tr><th>b</table>", "table(tr(td(\"a\")) tr(th(\"b\")))"},
        {"<table><tr>x<b>y</b></table>", "table(tr(\"x\" td(b(\"y\"))))"},
        {"<td>a</td>b", "td(\"a\") \"b\""},
        // A tag that would end the cell emulated for it is handled inside that cell.
        {"<table><tr><td/>x</tr></table>", "table(tr(td(\"x\")))"},
        {"<table><tr></tdx>y</table>", "table(tr(td(\"y\")))"},
        // Titles: text joined and tidied, a second title stays empty, the end text in any case.
        {"<title> The  <b>first</b>\ttitle </title>rest<title>second</title>", "title(\"The first title\") \"rest\" title"},
        {"<TITLE>other</TITLE>", "title(\"other\")"},
        {"<title>never closed <p> at all", "title(\"never closed  at all\")"},
        // Skipped content never reaches the tree.
        {"<script>if (a<b) x='</div>';</SCRIPT>after", "\"after\""},
        {"<div>a<style>p{}</style >b</div>", "div(\"a\" \"b\")"},
        {"<!-- whole -->x<!-- a > b -->y", "\"x\" \"y\""},
        {"<?xml version='1.0'?><div>z</div>", "div(\"z\")"},
        {"<script>never ends", ""},
        {"a<!-- never ends", "\"a\""},
        // Tag texts longer than the keyword buffer keep its 4096 bytes and the '>'.
        {"<div " + filler + ">t</div>", "div(\"t\")"},
        {"< " + filler + ">after", "\"< " + std::string(4094, 'y') + ">\" \"after\""},
    };
    for (const auto& [html, shape] : cases) EXPECT_EQ(ShapeOf(html), shape) << html.substr(0, 80);
    EXPECT_EQ(ShapeOf("<div>a<b>b</b></div>", NOTAG_PRT), "\"a\" \"b\"") << "profiles decide what is a keyword";
}

// The node names are checked by the dump test.
TEST(BuildTree, AnEmptyStreamGivesAMasterNodeAndOnlyTextNodesCount)
{
    HtmlDocTree empty;
    EXPECT_EQ(empty.GetCharset(), -1);
    EXPECT_TRUE(ParseInto(empty, ""));
    ASSERT_EQ(empty.End() - empty.Begin(), 1);
    EXPECT_TRUE(Master(empty).IsMatch(KW_NONE));
    EXPECT_EQ(Parse("word<p>")->GetNodeNumber(), 1u);
}

TEST(BuildTree, SourceOffsetsAndSizes)
{
    const auto tree = Parse("<div class=x>cd</div><p>e");
    const auto& division = Child(Master(*tree), 0);
    EXPECT_EQ(division.GetOffsetFromSource(), 0u);
    EXPECT_EQ(division.GetRawSize(), 13u) << "the tag with its '>'";
    EXPECT_EQ(Child(division, 0).GetOffsetFromSource(), 13u);
    EXPECT_EQ(Child(division, 0).GetRawSize(), 2u);
    EXPECT_EQ(Child(Master(*tree), 1).GetOffsetFromSource(), 21u);
    EXPECT_EQ(Child(Master(*tree), 1).GetRawSize(), 2u) << "an empty tag's '>' is passed after its node is made";

    const auto leading = Parse("ab<div>");
    EXPECT_EQ(Child(Master(*leading), 0).GetRawSize(), 2u);
    EXPECT_EQ(Child(Master(*leading), 1).GetOffsetFromSource(), 0u) << "the first tag's source starts with the document";
    EXPECT_EQ(Child(Master(*leading), 1).GetRawSize(), 7u);

    const auto& row = Child(Child(Master(*Parse("<table><td>x</td></table>")), 0), 0);
    EXPECT_EQ(row.GetOffsetFromSource(), 0u) << "an emulated level has no source";
    EXPECT_EQ(row.GetRawSize(), 0u);
}

TEST(BuildTree, TheFirstTitleFillsTheSummaryAndResetKeepsIt)
{
    HtmlDocTree tree(65001);
    ParseInto(tree, "<title> The  <b>first</b>\ttitle </title>rest<title>second</title>");
    HtmlDocTree::DocSummaryInformation summary;
    tree.GetSummaryInformation(summary);
    EXPECT_EQ(VEK::ToUtf8(summary.m_sTitle), "The first title");
    tree.Reset();
    EXPECT_EQ(tree.Begin(), tree.End());
    ParseInto(tree, "<TITLE>other</TITLE>");
    tree.GetSummaryInformation(summary);
    EXPECT_EQ(VEK::ToUtf8(summary.m_sTitle), "The first title");
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
