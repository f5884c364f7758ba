// Real pages: the python3-doc sample against Python's html.parser.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/doctree/ParsedDocument.h"

using namespace VEKParser;

namespace {

const char* const kPages = "/usr/share/doc/python3/html";

struct Expected {
    std::string page;
    std::vector<std::string> words;  // ASCII words of the text outside script and style
    std::vector<std::string> hrefs;  // every non-empty href of an <a> tag
};

std::vector<Expected> PythonExpectation()
{
    const std::string command =
        std::string("python3 ") + VEKPARSER_SOURCE_DIR + "/tests/doctree/html_text_links.py " + kPages;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return {};
    std::string output;
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    if (::pclose(pipe) != 0) return {};
    std::vector<Expected> pages;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("# ", 0) == 0) {
            pages.push_back({line.substr(2), {}, {}});
        } else if (!pages.empty() && line.rfind("T ", 0) == 0) {
            std::istringstream words(line.substr(2));
            for (std::string word; words >> word;) pages.back().words.push_back(word);
        } else if (!pages.empty() && line.rfind("H ", 0) == 0) {
            pages.back().hrefs.push_back(line.substr(2));
        }
    }
    return pages;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool IsWordUnit(unsigned short unit)
{
    return (unit >= 'a' && unit <= 'z') || (unit >= 'A' && unit <= 'Z') || (unit >= '0' && unit <= '9') || unit == '_';
}

// The same words the helper script takes: runs of ASCII letters, digits and underscores.
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
    if (!std::filesystem::exists(kPages)) GTEST_SKIP() << "python3-doc is not installed";
    const auto pages = PythonExpectation();
    ASSERT_GE(pages.size(), 150u);
    std::size_t wanted = 0, found = 0;
    for (const Expected& expected : pages) {
        const auto tree = doctree_test::Parse(ReadFile(std::string(kPages) + "/" + expected.page));
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
