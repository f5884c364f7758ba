#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include <VEKParser/encoding/Encoding.h>
#include <VEKParser/host/IsAlphaClass.h>
#include <VEKParser/html/stream/Stream.h>

#include "tests/Support.h"
#include "tests/stream/Tokens.h"

using namespace VEKParser;

namespace {

// Page path -> its "S name" / "E name" lines, as Python's html.parser sees the pages.
std::vector<std::pair<std::string, std::vector<std::string>>> PythonExpectation()
{
    const test_support::Output output = test_support::Run(test_support::PYTHON + " " + std::string(VEKPARSER_SOURCE_DIR) +
                                                          "/tests/stream/html_tag_names.py " + test_support::PYTHON_DOC + " 13");
    std::vector<std::pair<std::string, std::vector<std::string>>> pages;
    if (!output.ok) return pages;
    std::istringstream lines(output.text);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("# ", 0) == 0) pages.emplace_back(line.substr(2), std::vector<std::string>{});
        else if (!pages.empty()) pages.back().second.push_back(line);
    }
    return pages;
}

// Start and end tags whose names begin with a letter: declarations, processing instructions
// and the like are not tags to html.parser.
template <class CharT>
std::vector<std::string> TagNames(const std::vector<TokenT<CharT>>& tokens, VEK::CHARSET charset)
{
    HtmlStreamParserBaseT<CharT> base(charset);
    std::vector<std::string> names;
    for (const auto& token : tokens) {
        if (token.kind != ELEMENT_TAG) continue;
        VEK::WString name;
        std::basic_string<CharT> attributes;
        bool isEnd = false, isEmpty = false;
        base.ParseTag(token.text, name, attributes, isEnd, isEmpty);
        if (name.empty() || name[0] > 'z' || !VEK::IsAlphaClass::ms_ISALPHA[name[0]]) continue;
        names.push_back((isEnd ? "E " : "S ") + VEK::ToUtf8(name));
    }
    return names;
}

TEST(PythonDocPages, TagSequencesMatchPythonsHtmlParser)
{
    if (!std::filesystem::exists(test_support::PYTHON_DOC)) GTEST_SKIP() << "python3-doc is not installed";
    const auto pages = PythonExpectation();
    ASSERT_GE(pages.size(), 30u);
    for (const auto& [page, expected] : pages) {
        const std::string bytes = test_support::ReadFile(test_support::PYTHON_DOC + "/" + page);
        const auto tokens = Tokenize(bytes, 65001);
        EXPECT_EQ(TagNames(tokens, 65001), expected) << page;

        // The same page as 16-bit text gives the same tags at twice the offsets.
        VEK::WString wide;
        SGMLEncodingHelper(65001).ExpandToUnicode(bytes, wide);
        const std::string units(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
        EXPECT_EQ(TagNames(Tokenize<unsigned short>(units, 1201), 1201), expected) << page;
    }
}

} // namespace
