// Readable text: the layout of small documents, and on the python3-doc pages the same words as
// the flat text with every line clean.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/Support.h"
#include "tests/doctree/ParsedDocument.h"

using namespace VEKParser;

namespace {

std::string Readable(const HtmlDocTree& tree)
{
    VEK::WString text;
    GetReadableText(tree, text);
    return VEK::ToUtf8(text);
}

std::vector<std::string> Words(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

TEST(ReadableText, LaysBlocksOutInLines)
{
    const struct {
        const char* html;
        const char* text;
    } cases[] = {
        {"", ""},
        {"<h1>Title</h1><p>One  two.<p>Three", "Title\n\nOne two.\n\nThree"},
        {"x<b>y</b>z a<br>b", "xyz a\nb"},
        {"<ul><li>one<li>two</ul>after", "one\ntwo\n\nafter"},
        {"<table><tr><td>a <td> b</tr><tr><td>c<td>d</tr></table>end", "a\tb\nc\td\nend"},
        {"<div> x </div>\n\n<p> </p><p>\n</p><h2> </h2><p>y </p>", "x\n\ny"},
        {"<pre>l1\n   l2\n\n\n\n l3 </pre>z", "l1\nl2\n\nl3\n\nz"},
        {"<dl><dt>term<dd>meaning</dl>", "term\nmeaning"},
    };
    for (const auto& c : cases) EXPECT_EQ(Readable(*doctree_test::Parse(c.html)), c.text) << c.html;
}

TEST(ReadableText, KeepsTheFlatTextsWordsOnRealPages)
{
    namespace fs = std::filesystem;
    if (!fs::exists(test_support::PYTHON_DOC)) GTEST_SKIP() << "python3-doc is missing";
    std::size_t pages = 0;
    for (const auto& entry : fs::recursive_directory_iterator(test_support::PYTHON_DOC)) {
        if (entry.path().extension() != ".html") continue;
        const auto tree = doctree_test::Parse(test_support::ReadFile(entry.path().string()));
        const std::string text = Readable(*tree);
        ASSERT_EQ(Words(text), Words(doctree_test::Text(*tree))) << entry.path();
        for (const char* unclean : {" \n", "\t\n", "\n\n\n"})
            EXPECT_EQ(text.find(unclean), std::string::npos) << entry.path() << " holds " << unclean;
        EXPECT_TRUE(text.empty() || (text.front() != '\n' && text.back() != '\n' && text.back() != ' ')) << entry.path();
        ++pages;
    }
    EXPECT_GE(pages, 150u);
}

} // namespace
