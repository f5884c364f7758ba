// Real pages: the python3-doc sample against Python's html.parser. The tree holds every href of
// an <a> tag on an anchor node and every word of the text, both in document order, and the
// title; the text query keeps the words and the link query gives every href.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "tests/doctree/ParsedDocument.h"
#include "tests/doctree/PythonOracle.h"

using namespace VEKParser;

namespace {

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

// The same words the oracle takes: runs of ASCII letters, digits and underscores.
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

// How many of `wanted` `found` holds, in any order, each occurrence used once.
std::size_t Found(const std::vector<std::string>& wanted, const std::vector<std::string>& found)
{
    std::map<std::string, int> counts;
    for (const std::string& item : found) ++counts[item];
    std::size_t n = 0;
    for (const std::string& item : wanted) n += counts[item]-- > 0;
    return n;
}

TEST(PythonDocPages, TreeAndQueriesAgreeWithPythonsHtmlParser)
{
    const std::vector<doctree_test::Oracle> pages = doctree_test::PythonOracle();
    if (pages.empty()) GTEST_SKIP() << "python3 or the python3-doc pages are missing";
    EXPECT_GE(pages.size(), 150u);
    std::size_t hrefs = 0, wanted = 0, found = 0;
    for (const doctree_test::Oracle& expected : pages) {
        SCOPED_TRACE(expected.page);
        HtmlDocTree tree(65001);
        ASSERT_TRUE(doctree_test::ParseInto(tree, doctree_test::ReadPythonDocPage(expected.page)));
        HtmlDocTree::DocSummaryInformation summary;
        tree.GetSummaryInformation(summary);
        EXPECT_EQ(VEK::ToUtf8(summary.m_sTitle), expected.title);
        Walk walk;
        WalkNodes(tree.Begin(), tree.End(), walk);
        EXPECT_EQ(FirstMissing(expected.hrefs, walk.hrefs), "");
        EXPECT_EQ(FirstMissing(expected.words, Words(walk.text)), "");
        hrefs += expected.hrefs.size();

        const std::size_t pageFound = Found(expected.words, Words(doctree_test::Text(tree)));
        EXPECT_GE(pageFound * 100, expected.words.size() * 90);
        wanted += expected.words.size();
        found += pageFound;
        std::vector<HtmlDocTree::LinkCaption> links;
        tree.GetLinks(links);
        std::vector<std::string> uris;
        for (const auto& link : links) uris.push_back(VEK::ToUtf8(link.m_sUri));
        EXPECT_EQ(Found(expected.hrefs, uris), expected.hrefs.size());
    }
    EXPECT_GT(hrefs, 10000u);
    EXPECT_GE(found * 100, wanted * 95) << found << " of " << wanted << " words";
}

} // namespace
