// Hostile and broken input: every document parses, and every query runs on the result. Random
// bytes in every profile and charset are the doctree_queries fuzz target's.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include <VEKParser/host/WideStream.h>

#include "tests/doctree/ParsedDocument.h"
#include "tests/hardening/HostileInput.h"

using namespace VEKParser;
using doctree_test::ParseInto;
using doctree_test::Shape;
using HostileInput::Repeat;

namespace {

// Runs every query of the tree; the checks are that nothing fails and the walk terminates.
void QueryAll(const HtmlDocTree& tree)
{
    VEK::WString wide;
    tree.GetText(wide);
    tree.GetText(wide, NODE_ATT_TITLE);
    tree.GetHiddenText(wide, HIDDEN_ATT_CAPTION | HIDDEN_ATT_KEYWORDS);
    VEKFile::MemoryBuffer raw;
    tree.GetRawText(raw, 0xFFFFFFFFu);
    std::vector<HtmlDocTree::LinkCaption> links;
    tree.GetLinks(links);
    std::ostringstream dump;
    tree.DumpTree(dump);
    EXPECT_FALSE(dump.str().empty());
    std::basic_ostringstream<unsigned short> linkDump;
    tree.DumpLink(linkDump);
}

bool ParseAndQuery(const std::string& html)
{
    HtmlDocTree tree(65001);
    const bool result = ParseInto(tree, html);
    QueryAll(tree);
    return result;
}

// The hardening tests watch the memory of the plainer hostile documents; these check the
// outcome, under the sanitizers too.
TEST(BuildRobustness, LargeHostileDocuments)
{
    EXPECT_TRUE(ParseAndQuery(Repeat("<>", 2 * HostileInput::MB)));
    EXPECT_TRUE(ParseAndQuery(Repeat("< a", 3 * HostileInput::MB / 4) + ">"));
    EXPECT_FALSE(ParseAndQuery(Repeat("<div><b>", 400000))) << "deeper than the parser follows";
    EXPECT_FALSE(ParseAndQuery(Repeat("<b><i>x</b>", 1100000))) << "every replay leaves one more element open";
    EXPECT_TRUE(ParseAndQuery(Repeat("<table>", 700) + Repeat("</table>", 800000)));
    EXPECT_TRUE(ParseAndQuery(Repeat("<meta name=a content=\"<b>", 500000)));
    EXPECT_TRUE(ParseAndQuery(Repeat("<title>", 140000)));
}

TEST(BuildRobustness, LongValuesAreCutAtTheKeywordBuffer)
{
    HtmlDocTree tree(65001);
    EXPECT_TRUE(ParseInto(tree, "<a href=\"" + std::string(1 << 20, 'v') + "\">x</a>"));
    const auto& anchor = **(*tree.Begin())->Begin();
    std::string href;
    anchor.GetParam("href", href);
    EXPECT_EQ(href, std::string(4096 - 9, 'v'));
    EXPECT_EQ(Shape(tree), "a(\"x\")") << "the text after the tag is kept";
    QueryAll(tree);
}

TEST(BuildRobustness, DocumentsCutAnywhere)
{
    const std::string page =
        "<html><head><title>T &amp; t</title><meta name=author content=\"A\"><style>p{}</style>"
        "<script>if(a<b)x='</div>'</script></head><body><!-- c --><div class=\"x\">one<b>two<i>three</b>"
        "four</i><table><td>cell<tr><th>h</table><a href='l.html' alt=\"c\">link</a><img src=x alt=y>"
        "<pre> pre  text </pre><ul><li>1<li>2</ul></div></body></html>";
    for (std::size_t cut = 0; cut <= page.size(); ++cut) {
        SCOPED_TRACE(cut);
        EXPECT_TRUE(ParseAndQuery(page.substr(0, cut)));
    }
}

} // namespace
