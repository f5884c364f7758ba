// Hostile and broken input: every document parses, and every query runs on the result. Random
// bytes in every profile and charset are the doctree_queries fuzz target's.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include <VEKParser/host/WideStream.h>

#include "tests/Support.h"
#include "tests/doctree/ParsedDocument.h"
#include "tests/hardening/HostileInput.h"
#include "tests/host/ChunkedStream.h"

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

std::string Dump(VEK::BinaryStreamBufT<unsigned int>& stream)
{
    const HtmlKeywordTable table(DEFAULT_PRT);
    HtmlDocTree tree(65001);
    HtmlDocParser(stream, table, tree).Parse();
    std::ostringstream dump;
    tree.DumpTree(dump);
    return dump.str();
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

// Text is read in place from a stream that lies in memory, through the scanner's window from any
// other: every node, offset and size comes out the same, whatever the reads deliver at a time.
TEST(BuildRobustness, StreamsNotInMemoryGiveTheSameTree)
{
    std::vector<std::string> pages = {Repeat("<b>x \n y</b>\n\t<p>", 3000) + "<title>a <b>t</b></title> tail",
                                      Repeat(" \r\n", 5000) + "<pre> a  b </pre>  <!-- c -->"};
    for (const char* name : {"/library/stdtypes.html", "/reference/expressions.html", "/whatsnew/3.11.html"})
        pages.push_back(test_support::ReadFile(test_support::PYTHON_DOC + name));
    for (const std::string& page : pages) {
        VEKFile::MemoryBuffer inPlace(page.data(), static_cast<unsigned int>(page.size()));
        const std::string expected = Dump(inPlace);
        for (const unsigned int chunk : {4096u, 7u}) {
            ChunkedStream windowed(page, chunk);
            EXPECT_EQ(Dump(windowed), expected) << page.size() << " bytes read " << chunk << " at a time";
        }
    }
}

} // namespace
