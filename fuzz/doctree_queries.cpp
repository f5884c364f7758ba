// Parses arbitrary bytes under every profile in UTF-8, Windows-1252 and 16-bit charsets, then
// runs every query of the finished tree and both dumps.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include <VEKParser/host/MemoryBuffer.h>
#include <VEKParser/html/doctree/DocTree.h>

namespace {

using VEKParser::HtmlDocTree;

void QueryNodes(const VEK::RefCount<HtmlDocTree::HtmlTreeNode>* begin,
                const VEK::RefCount<HtmlDocTree::HtmlTreeNode>* end)
{
    std::vector<const HtmlDocTree::HtmlTreeNode*> pending;
    for (auto* holder = begin; holder != end; ++holder) pending.push_back(holder->Get());
    VEK::WString wide;
    std::string narrow;
    while (!pending.empty()) {
        const HtmlDocTree::HtmlTreeNode* node = pending.back();
        pending.pop_back();
        node->GetText(wide);
        node->GetRawText(narrow);
        node->GetParam("href", narrow);
        node->GetParam("alt", wide);
        (void)node->IsParam("name");
        for (auto* child = node->Begin(); child != node->End(); ++child) pending.push_back(child->Get());
    }
}

// The words of a text: the runs between the white space the parser collapses.
std::vector<VEK::WString> Words(const VEK::WString& text)
{
    static const VEK::WString kWhite = {' ', '\t', '\n', '\r'};
    std::vector<VEK::WString> words;
    for (std::size_t start = text.find_first_not_of(kWhite); start != VEK::WString::npos;) {
        const std::size_t end = text.find_first_of(kWhite, start);
        words.push_back(text.substr(start, end - start));
        start = text.find_first_not_of(kWhite, end);
    }
    return words;
}

// The readable text only moves line breaks: it holds the flat text's words in their order.
void CheckReadableText(const HtmlDocTree& tree, const VEK::WString& flat)
{
    VEK::WString readable;
    VEKParser::GetReadableText(tree, readable);
    if (Words(readable) != Words(flat)) __builtin_trap();
}

void QueryTree(HtmlDocTree& tree)
{
    VEK::WString text;
    tree.GetText(text);
    CheckReadableText(tree, text);
    tree.GetText(text, VEKParser::NODE_ATT_TITLE);
    VEKFile::MemoryBuffer raw(4096);
    tree.GetRawText(raw, 64);
    tree.GetText(raw);
    tree.GetHiddenText(text, VEKParser::HIDDEN_ATT_CAPTION | VEKParser::HIDDEN_ATT_KEYWORDS);
    std::vector<HtmlDocTree::LinkCaption> links;
    tree.GetLinks(links);
    tree.GetMetaInfo(text, "author");
    tree.GetMetaCharset(text);
    tree.GetBaseUri(text);
    tree.GetMetaRedirectUri(text);
    HtmlDocTree::DocSummaryInformation summary;
    tree.GetSummaryInformation(summary);
    QueryNodes(tree.Begin(), tree.End());
    std::ostringstream dump;
    tree.DumpTree(dump);
    std::basic_ostringstream<unsigned short> linkDump;
    tree.DumpLink(linkDump);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const VEKParser::HtmlKeywordTable tables[] = {VEKParser::HtmlKeywordTable(VEKParser::DEFAULT_PRT),
                                                         VEKParser::HtmlKeywordTable(VEKParser::NOTAG_PRT),
                                                         VEKParser::HtmlKeywordTable(VEKParser::CHANGEDETECTOR_PRT)};
    static constexpr VEK::CHARSET kCharsets[] = {VEK::CHARSET_UTF8, VEK::CHARSET_WINDOWS_1252, VEK::CHARSET_UTF16};
    for (const auto& table : tables) {
        for (const VEK::CHARSET charset : kCharsets) {
            VEKFile::MemoryBuffer stream(data, static_cast<unsigned int>(size));
            HtmlDocTree tree(charset);
            VEKParser::HtmlDocParser(stream, table, tree).Parse();
            QueryTree(tree);
        }
    }
    return 0;
}
