// Diagnostic printers of a parsed tree: the node tree as indented ASCII art and the list of
// link targets. People and tests compare their output literally.
#include <VEKParser/html/doctree/HtmlDocTree.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace VEKParser {

namespace {

bool IsTextLike(const HtmlDocTree::HtmlTreeNode& node) noexcept
{
    return node.IsMatch(KW_HIDDEN_TEXT) || node.IsMatch(KW_TEXT);
}

// Three blanks per level and one more between levels: 4 * depth - 1 blanks below the top.
std::string Indent(unsigned int depth)
{
    return depth == 0 ? std::string() : std::string(4 * std::size_t{depth} - 1, ' ');
}

// A text node made outside the parser may have no text: it prints as an empty quote.
void Quoted(std::ostream& os, const char* text, unsigned int size)
{
    os << '"';
    if (text != nullptr) os.write(text, size);
    os << '"' << std::endl;
}

void DumpParams(std::ostream& os, const HtmlDocTree::SharedParamMap* params, const std::string& lead)
{
    if (params == nullptr || params->empty()) return;
    for (const auto& [key, value] : *params) {
        os << lead << "PARAM:  " << key << " = \"" << value << '"' << std::endl;
    }
    os << '|' << std::endl;
}

} // namespace

void HtmlDocTree::DumpTree(std::basic_ostream<char>& os) const
{
    os << "\n\nTOP OF TREE\n-----------\n" << std::endl;
    RecursiveDumpTree(Begin(), End(), os, 0);
}

void HtmlDocTree::RecursiveDumpTree(const NodeHolder* begin,
                                    const NodeHolder* const& end, std::basic_ostream<char>& os,
                                    unsigned int depth) const
{
    const std::string indent = Indent(depth);
    for (const NodeHolder* holder = begin; holder != end; ++holder) {
        const HtmlTreeNode& node = **holder;
        if (depth == 0) os << "|\no-- ";
        else os << '|' << indent << "|\n|" << indent << "o-- ";
        if (IsTextLike(node)) {
            os << node.m_pTagName << (depth == 0 ? "\n|   " : "\n|    ") << indent;
            Quoted(os, node.m_pText, node.m_uTextSize);
        } else {
            os << '<' << node.m_pTagName << '>' << std::endl;
            DumpParams(os, node.m_pParams.Get(), depth == 0 ? std::string("\n ") : '|' + indent + "    ");
        }
        if (node.HasChild()) RecursiveDumpTree(node.Begin(), node.End(), os, depth + 1);
    }
}

void HtmlDocTree::DumpLink(std::basic_ostream<unsigned short>& os) const
{
    std::vector<LinkCaption> links;
    GetLinks(links);
    for (const LinkCaption& link : links) {
        os << link.m_sUri;
        // std::endl would widen through a facet that 16-bit streams lack by default.
        os.put('\n');
        os.flush();
    }
}

} // namespace VEKParser
