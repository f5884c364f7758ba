#pragma once

// Parses small documents for the tree tests and reads results back as UTF-8.
#include <memory>
#include <string>

#include <VEKParser/host/MemoryBuffer.h>
#include <VEKParser/html/doctree/DocTree.h>

namespace doctree_test {

// Parses `html` into `tree`; the result is Parse's.
inline bool ParseInto(VEKParser::HtmlDocTree& tree, const std::string& html,
                      VEKParser::PrtType profile = VEKParser::DEFAULT_PRT)
{
    const VEKParser::HtmlKeywordTable table(profile);
    VEKFile::MemoryBuffer stream(html.data(), static_cast<unsigned int>(html.size()));
    return VEKParser::HtmlDocParser(stream, table, tree).Parse();
}

inline std::unique_ptr<VEKParser::HtmlDocTree> Parse(const std::string& html, VEK::CHARSET charset = 65001,
                                                     VEKParser::PrtType profile = VEKParser::DEFAULT_PRT)
{
    auto tree = charset == VEK::CHARSET_UNKNOWN ? std::make_unique<VEKParser::HtmlDocTree>()
                                                : std::make_unique<VEKParser::HtmlDocTree>(charset);
    ParseInto(*tree, html, profile);
    return tree;
}

inline std::string Utf8(const VEK::WString& text) { return VEK::ToUtf8(text); }

inline std::string Text(const VEKParser::HtmlDocTree& tree)
{
    VEK::WString text;
    tree.GetText(text);
    return Utf8(text);
}

// The bytes a stream holds, from its start.
inline std::string Bytes(VEKFile::MemoryBuffer& stream)
{
    std::string bytes;
    stream.SeekG(0);
    stream.Copy(bytes);
    return bytes;
}

// `ascii` as 16-bit text in machine byte order, the bytes of a charset-1201 document.
inline std::string Wide(const std::string& ascii)
{
    std::string bytes;
    for (const char c : ascii) {
        const auto unit = static_cast<unsigned short>(static_cast<unsigned char>(c));
        bytes.append(reinterpret_cast<const char*>(&unit), sizeof unit);
    }
    return bytes;
}

// The node walk of a tree in one line: a tag node is its name with its children in
// parentheses, a text node its text in double quotes, a hidden-text node its text after
// "hidden". Master nodes are left out and their contents parted by " | ".
inline void AppendShape(const VEKParser::HtmlDocTree::HtmlTreeNode& node, std::string& out)
{
    std::string text;
    node.GetRawText(text);
    if (node.IsMatch(VEKParser::KW_TEXT) || node.IsMatch(VEKParser::KW_HIDDEN_TEXT)) {
        out += (node.IsMatch(VEKParser::KW_TEXT) ? "\"" : "hidden\"") + text + '"';
        return;
    }
    out += node.GetTagName();
    if (!node.HasChild()) return;
    out += '(';
    for (auto child = node.Begin(); child != node.End(); ++child) {
        if (child != node.Begin()) out += ' ';
        AppendShape(**child, out);
    }
    out += ')';
}

inline std::string Shape(const VEKParser::HtmlDocTree& tree)
{
    std::string out;
    for (auto master = tree.Begin(); master != tree.End(); ++master) {
        if (!out.empty()) out += " | ";
        for (auto child = (*master)->Begin(); child != (*master)->End(); ++child) {
            if (child != (*master)->Begin()) out += ' ';
            AppendShape(**child, out);
        }
    }
    return out;
}

inline std::string ShapeOf(const std::string& html, VEKParser::PrtType profile = VEKParser::DEFAULT_PRT)
{
    return Shape(*Parse(html, 65001, profile));
}

} // namespace doctree_test
