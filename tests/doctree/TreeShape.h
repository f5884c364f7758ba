#pragma once

// The node walk of a parsed tree in one line, for the tree-building tests: a tag node is its
// name with its children in parentheses, a text node its text in double quotes, a hidden-text
// node its text after "hidden". The master node is left out.
#include <string>

#include <VEKParser/host/MemoryBuffer.h>
#include <VEKParser/html/doctree/DocTree.h>

namespace doctree_test {

inline void AppendShape(const VEKParser::HtmlDocTree::HtmlTreeNode& node, std::string& out)
{
    std::string text;
    node.GetRawText(text);
    if (node.IsMatch(VEKParser::KW_TEXT)) {
        out += '"' + text + '"';
        return;
    }
    if (node.IsMatch(VEKParser::KW_HIDDEN_TEXT)) {
        out += "hidden\"" + text + '"';
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

// Parses `html` into `tree` under the default profile; the result is Parse's.
inline bool ParseInto(VEKParser::HtmlDocTree& tree, const std::string& html,
                      VEKParser::PrtType profile = VEKParser::DEFAULT_PRT)
{
    const VEKParser::HtmlKeywordTable table(profile);
    VEKFile::MemoryBuffer stream(html.data(), static_cast<unsigned int>(html.size()));
    return VEKParser::HtmlDocParser(stream, table, tree).Parse();
}

inline std::string ShapeOf(const std::string& html)
{
    VEKParser::HtmlDocTree tree(65001);
    ParseInto(tree, html);
    return Shape(tree);
}

} // namespace doctree_test
