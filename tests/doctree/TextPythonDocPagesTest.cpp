// Real pages: the text and links of the python3-doc sample against Python's html.parser.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/doctree/ParsedDocument.h"
#include "tests/doctree/PythonOracle.h"

using namespace VEKParser;

namespace {

bool IsWordUnit(unsigned short unit)
{
    return (unit >= 'a' && unit <= 'z') || (unit >= 'A' && unit <= 'Z') || (unit >= '0' && unit <= '9') || unit == '_';
}

// The same words the oracle takes: runs of ASCII letters, digits and underscores.
std::map<std::string, int> WordCounts(const VEK::WString& text)
{
    std::map<std::string, int> counts;
    std::string word;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && IsWordUnit(text[i])) {
            word.push_back(static_cast<char>(text[i]));
        } else if (!word.empty()) {
            ++counts[word];
            word.clear();
        }
    }
    return counts;
}

// How many of `wanted` the counts hold, each occurrence used once.
std::size_t Found(const std::vector<std::string>& wanted, std::map<std::string, int> counts)
{
    std::size_t found = 0;
    for (const std::string& word : wanted) {
        const auto it = counts.find(word);
        if (it != counts.end() && it->second > 0) {
            --it->second;
            ++found;
        }
    }
    return found;
}

TEST(PythonDocPages, TextHoldsTheWordsAndLinksEveryHrefOfHtmlParser)
{
    const auto pages = doctree_test::PythonOracle();
    if (pages.empty()) GTEST_SKIP() << "python3 or the python3-doc pages are missing";
    ASSERT_GE(pages.size(), 150u);
    std::size_t wanted = 0, found = 0;
    for (const doctree_test::Oracle& expected : pages) {
        const auto tree = doctree_test::Parse(doctree_test::ReadPythonDocPage(expected.page));
        VEK::WString text;
        tree->GetText(text);
        const std::size_t pageFound = Found(expected.words, WordCounts(text));
        EXPECT_GE(pageFound * 100, expected.words.size() * 90) << expected.page;
        wanted += expected.words.size();
        found += pageFound;

        std::vector<HtmlDocTree::LinkCaption> links;
        tree->GetLinks(links);
        std::map<std::string, int> uris;
        for (const auto& link : links) ++uris[VEK::ToUtf8(link.m_sUri)];
        EXPECT_EQ(Found(expected.hrefs, uris), expected.hrefs.size()) << expected.page;
    }
    EXPECT_GE(found * 100, wanted * 95) << found << " of " << wanted << " words";
}

} // namespace
