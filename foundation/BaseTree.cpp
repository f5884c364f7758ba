#include <VEKParser/foundation/BaseTree.h>

#include <vector>

namespace VEKParser {

namespace {

using Stream = std::basic_ostream<unsigned short>;

// Writes 16-bit text and line ends without the stream's character facets, which the standard
// library has only for char and wchar_t.
void Write(Stream& out, const char* ascii)
{
    while (*ascii) out.put(static_cast<unsigned char>(*ascii++));
}

void EndLine(Stream& out)
{
    out.put('\n');
    out.flush();
}

} // namespace

BaseTreeNode::~BaseTreeNode()
{
    // Children whose last holder is this node are taken apart here, one level at a time, so a
    // deep chain never recurses.
    std::vector<BaseTreeNode*> doomed;
    auto collect = [&doomed](Children& children) {
        for (auto& child : children)
            if (child && child->NbRef() == 1) doomed.push_back(child.Detach());
        children.clear();
    };
    collect(m_Children);
    while (!doomed.empty()) {
        BaseTreeNode* node = doomed.back();
        doomed.pop_back();
        collect(node->m_Children);
        node->Release();
    }
}

long BaseTreeNode::Release() const noexcept
{
    const long count = --m_Count;
    if (count == 0) delete this;
    return count;
}

VEK::SmartPtr<BaseTreeNode> BaseTreeNode::AddTreeNode(VEK::SmartPtr<BaseTreeNode> child)
{
    m_Children.push_back(child);
    return child;
}

BaseTree::~BaseTree() = default;

long BaseTree::Release() const noexcept
{
    const long count = --m_Count;
    if (count == 0) delete this;
    return count;
}

VEK::SmartPtr<BaseTreeNode> BaseTree::CreateRootNode(VEK::SmartPtr<BaseTreeNode> node)
{
    if (!(node == m_pRoot)) m_pRoot = std::move(node);
    return m_pRoot;
}

void BaseTree::DumpTree(Stream& out) const
{
    if (!m_pRoot) {
        Write(out, "\n\nTREE IS EMPTY\n\n");
        EndLine(out);
        return;
    }
    VEK::WString text;
    m_pRoot->GetDumpText(text);
    Write(out, "\n");
    out << text;
    Write(out, "\n-----------\n");
    EndLine(out);
    unsigned int depth = 0;
    RecursiveDumpTree(m_pRoot->Begin(), m_pRoot->End(), out, depth);
}

void BaseTree::RecursiveDumpTree(const VEK::SmartPtr<BaseTreeNode>* begin, const VEK::SmartPtr<BaseTreeNode>* end,
                                 Stream& out, unsigned int& depth) const
{
    const std::string indent = depth == 0 ? std::string() : std::string(4 * depth - 1, ' ');
    VEK::WString text;
    for (const auto* child = begin; child != end; ++child) {
        text.clear();
        (*child)->GetDumpText(text);
        if (depth == 0) {
            Write(out, "|\no-- ");
        } else {
            Write(out, "|");
            Write(out, indent.c_str());
            Write(out, "|\n|");
            Write(out, indent.c_str());
            Write(out, "o-- ");
        }
        out << text;
        EndLine(out);
        if ((*child)->HasChild()) {
            ++depth;
            RecursiveDumpTree((*child)->Begin(), (*child)->End(), out, depth);
        }
    }
    if (depth > 0) --depth;
}

} // namespace VEKParser
