// A document tree holds its input's text and a few nodes per recognised element: a parse and the
// text and link queries after it take heap in proportion to the input, below four times its size
// unless elements come every few bytes, and then at most a kilobyte per element.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <string>

#include <VEKParser/html/doctree/DocTree.h>
#include <VEKParser/html/vocabulary/HtmlKeywordTable.h>

#include "tests/hardening/CountingAllocator.h"
#include "tests/hardening/HostileInput.h"

using namespace VEKParser;
using HostileInput::MB;
using HostileInput::Repeat;

namespace {

constexpr std::size_t LIMIT = 4;

// Heap taken by parsing `html` and running the text and link queries on the tree.
std::size_t PeakOfParseAndQueries(const std::string& html, PrtType profile, VEK::CHARSET charset)
{
    const HtmlKeywordTable table(profile);
    VEKFile::MemoryBuffer buffer(html.data(), static_cast<unsigned>(html.size()));
    return CountingAllocator::PeakDuring([&] {
        HtmlDocTree tree(charset);
        HtmlDocParser parser(buffer, table, tree);
        parser.Parse();
        VEK::WString text;
        tree.GetText(text);
        std::vector<HtmlDocTree::LinkCaption> links;
        tree.GetLinks(links);
    });
}

// Tags that open elements: "<" and a letter.
std::size_t Elements(const std::string& html)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i + 1 < html.size(); ++i)
        count += html[i] == '<' && std::isalpha(static_cast<unsigned char>(html[i + 1]));
    return count;
}

constexpr std::size_t PER_ELEMENT = 1024;

struct Hostile {
    const char* what;
    std::string html;
    bool dense;  // an element every few bytes
};

std::vector<Hostile> HostileDocuments()
{
    return {
        {"10 MB of <", std::string(10 * MB, '<'), false},
        {"1 MB attribute value", "<a href=\"" + std::string(MB, 'v') + "\">link</a>", false},
        {"1 MB meta content", "<meta name=keywords content='" + std::string(MB, 'k') + "'>", false},
        {"100000 attributes", "<p" + Repeat(" a=1", 400000) + ">", false},
        {"unterminated comment", "<!--" + std::string(4 * MB, '-'), false},
        {"unterminated script", "<script>" + Repeat("a<b ", 4 * MB), false},
        {"100000 nested div", Repeat("<div>", 500000), true},
        {"100000 nested div with text", Repeat("<div>x", 600000), true},
        {"100000 table cells", Repeat("<td>", 400000), true},
        {"100000 links", Repeat("<a href=x>y</a>", 1500000), true},
    };
}

TEST(DocTreeLimits, HostileDocumentsTakeHeapInProportion)
{
    for (const Hostile& document : HostileDocuments()) {
        const std::size_t limit =
            LIMIT * document.html.size() + (document.dense ? PER_ELEMENT * Elements(document.html) : 0);
        for (PrtType profile : {DEFAULT_PRT, NOTAG_PRT, CHANGEDETECTOR_PRT})
            EXPECT_LT(PeakOfParseAndQueries(document.html, profile, 65001), limit)
                << document.what << " profile " << profile;
    }
}

// A node every four bytes is the densest tree text can make: two nodes a unit (the element and
// its text), and the parse alone must stay within forty times the input even so.
TEST(DocTreeLimits, NodeDenseDocumentsStayWithinFortyTimesTheInput)
{
    for (const char* unit : {"<b>x", "<p>x"}) {
        const std::string html = Repeat(unit, MB);
        const HtmlKeywordTable table(DEFAULT_PRT);
        VEKFile::MemoryBuffer buffer(html.data(), static_cast<unsigned>(html.size()));
        HtmlDocTree tree(65001);
        HtmlDocParser parser(buffer, table, tree);
        const std::size_t peak = CountingAllocator::PeakDuring([&] { parser.Parse(); });
        EXPECT_LE(peak, 40 * html.size()) << unit;
        RecordProperty(std::string(unit + 1, 1) + "_dense_parse_heap_per_input_byte",
                       std::to_string(static_cast<double>(peak) / static_cast<double>(html.size())));
    }
}

// Bytes a tree needs for its nodes alone, whatever the allocator: each node, its holder in its
// parent's array and its reference count, which takes the node's alignment in front of it.
std::size_t NodeBytes(const HtmlDocTree::NodeHolder* begin, const HtmlDocTree::NodeHolder* end)
{
    constexpr std::size_t per =
        sizeof(HtmlDocTree::HtmlTreeNode) + sizeof(HtmlDocTree::NodeHolder) + alignof(HtmlDocTree::HtmlTreeNode);
    std::size_t bytes = 0;
    for (; begin != end; ++begin) bytes += per + NodeBytes((*begin)->Begin(), (*begin)->End());
    return bytes;
}

// Parse alone, then parse and queries, and what the nodes need; the ratios to the input are
// what a reader of the test log (and the performance report) compares with four times.
TEST(DocTreeLimits, RealPagesTakeHeapInProportion)
{
    for (const char* path : {"/usr/share/doc/python3/html/library/stdtypes.html",
                             "/usr/share/doc/python3/html/library/functions.html",
                             "/usr/share/doc/python3/html/genindex-all.html"}) {
        std::ifstream in(path, std::ios::binary);
        const std::string html(std::istreambuf_iterator<char>(in), {});
        if (html.empty()) GTEST_SKIP() << path << " is not installed";
        const HtmlKeywordTable table(DEFAULT_PRT);
        VEKFile::MemoryBuffer buffer(html.data(), static_cast<unsigned>(html.size()));
        HtmlDocTree tree(65001);
        HtmlDocParser parser(buffer, table, tree);
        const std::size_t parse = CountingAllocator::PeakDuring([&] { parser.Parse(); });
        const std::size_t whole = PeakOfParseAndQueries(html, DEFAULT_PRT, 65001);
        EXPECT_LT(whole, LIMIT * html.size() + PER_ELEMENT * Elements(html)) << path;
        // Beyond its nodes a tree holds texts, names and kept parameters; child arrays left at
        // their growth size, or a node allocation each, would add more than that again.
        const std::size_t nodes = NodeBytes(tree.Begin(), tree.End());
        EXPECT_LT(parse, nodes + 3 * html.size()) << path;
        const std::string page = std::filesystem::path(path).filename().string();
        const auto ratio = [&](std::size_t bytes) {
            return std::to_string(static_cast<double>(bytes) / static_cast<double>(html.size()));
        };
        RecordProperty(page + "_parse_heap_per_input_byte", ratio(parse));
        RecordProperty(page + "_queries_heap_per_input_byte", ratio(whole));
        RecordProperty(page + "_nodes_per_input_byte", ratio(nodes));
    }
}

} // namespace
