// Real pages: the python3-doc sample against Python's html.parser. Every href of an <a> tag
// is on an anchor node, in document order; the title matches; no word of the text is lost.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/doctree/PythonOracle.h"
#include "tests/doctree/TreeShape.h"

using namespace VEKParser;

namespace {

using doctree_test::Oracle;
using doctree_test::PythonOracle;

// The raw text of every text node, joined as the page has it, and the decoded href of every
// anchor node, both in the order of the node walk.
struct Walk {
    std::string text;
    std::vector<std::string> hrefs;
};

void WalkNodes(const HtmlDocTree::NodeHolder* begin, const HtmlDocTree::NodeHolder* end, Walk& walk)
{
    std::string raw;
    for (auto holder = begin; holder != end; ++holder) {
        const HtmlDocTree::HtmlTreeNode& node = **holder;
        if (node.IsMatch(KW_TEXT)) {
            node.GetRawText(raw);
            walk.text += raw;
        }
        if (node.IsMatch(KW_A) && node.IsParam("href")) {
            VEK::WString href;
            node.GetParam("href", href);
            walk.hrefs.push_back(VEK::ToUtf8(href));
        }
        WalkNodes(node.Begin(), node.End(), walk);
    }
}

std::vector<std::string> Words(const std::string& text)
{
    static const std::regex word("[A-Za-z0-9_]+");
    std::vector<std::string> words;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), word); it != std::sregex_iterator(); ++it)
        words.push_back(it->str());
    return words;
}

// The first element of `wanted` that `found` does not hold in the same order, or empty.
std::string FirstMissing(const std::vector<std::string>& wanted, const std::vector<std::string>& found)
{
    auto next = found.begin();
    for (const std::string& item : wanted) {
        next = std::find(next, found.end(), item);
        if (next == found.end()) return item.empty() ? std::string("(empty)") : item;
        ++next;
    }
    return {};
}

TEST(ParsePythonDocPages, AgreesWithPythonsHtmlParser)
{
    const std::vector<Oracle> pages = PythonOracle();
    if (pages.empty()) GTEST_SKIP() << "python3 or the python3-doc pages are missing";
    EXPECT_GE(pages.size(), 150u);
    const HtmlKeywordTable table(DEFAULT_PRT);
    std::size_t hrefs = 0;
    for (const Oracle& expected : pages) {
        SCOPED_TRACE(expected.page);
        const std::string html = doctree_test::ReadPythonDocPage(expected.page);
        HtmlDocTree tree(65001);
        VEKFile::MemoryBuffer stream(html.data(), static_cast<unsigned int>(html.size()));
        ASSERT_TRUE(HtmlDocParser(stream, table, tree).Parse());

        HtmlDocTree::DocSummaryInformation summary;
        tree.GetSummaryInformation(summary);
        EXPECT_EQ(VEK::ToUtf8(summary.m_sTitle), expected.title);
        Walk walk;
        WalkNodes(tree.Begin(), tree.End(), walk);
        EXPECT_EQ(FirstMissing(expected.hrefs, walk.hrefs), "");
        EXPECT_EQ(FirstMissing(expected.words, Words(walk.text)), "");
        hrefs += expected.hrefs.size();
    }
    EXPECT_GT(hrefs, 10000u);
}

} // namespace
