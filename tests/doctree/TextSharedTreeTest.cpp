// A parsed tree is read by several threads at once; the queries neither change it nor share
// state (this test runs under ThreadSanitizer in CI).
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/doctree/ParsedDocument.h"
#include "tests/doctree/PythonOracle.h"

using namespace VEKParser;

namespace {

struct Answers {
    std::string text, raw, hidden, links, dump, linkDump, title;

    bool operator==(const Answers&) const = default;
};

Answers Ask(HtmlDocTree& tree)
{
    Answers answers;
    answers.text = doctree_test::Text(tree);
    VEKFile::MemoryBuffer raw(4096);
    tree.GetRawText(raw, 0xFFFFFFFFu);
    answers.raw = doctree_test::Bytes(raw);
    VEK::WString wide;
    tree.GetHiddenText(wide, HIDDEN_ATT_CAPTION | HIDDEN_ATT_KEYWORDS);
    answers.hidden = doctree_test::Utf8(wide);
    tree.GetText(wide, NODE_ATT_TITLE);
    answers.title = doctree_test::Utf8(wide);
    std::vector<HtmlDocTree::LinkCaption> links;
    tree.GetLinks(links);
    for (const auto& link : links) answers.links += doctree_test::Utf8(link.m_sUri + link.m_sCaption);
    std::ostringstream dump;
    tree.DumpTree(dump);
    answers.dump = dump.str();
    std::basic_ostringstream<unsigned short> linkDump;
    tree.DumpLink(linkDump);
    answers.linkDump = VEK::ToUtf8(linkDump.str());
    return answers;
}

std::string Page()
{
    std::string page = doctree_test::ReadPythonDocPage("library/html.parser.html");
    if (page.empty()) page = "<title>Shared</title><div>text <a href=x alt=y>link</a><img alt=pic></div>";
    return page;
}

TEST(SharedTree, EightThreadsQueryOneTreeAtOnce)
{
    const auto tree = doctree_test::Parse(Page());
    const Answers expected = Ask(*tree);
    ASSERT_FALSE(expected.text.empty());
    ASSERT_FALSE(expected.links.empty());

    std::vector<Answers> answers(8);
    std::vector<std::thread> threads;
    for (Answers& slot : answers)
        threads.emplace_back([&tree, &slot] {
            for (int round = 0; round < 3; ++round) slot = Ask(*tree);
        });
    for (std::thread& thread : threads) thread.join();
    for (const Answers& answer : answers) EXPECT_TRUE(answer == expected);
    EXPECT_TRUE(Ask(*tree) == expected) << "the tree is as it was";
}

} // namespace
