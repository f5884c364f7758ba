// The document tree and its nodes: construction, copying, release.
#include <VEKParser/html/doctree/HtmlDocTree.h>

#include <utility>
#include <vector>

namespace VEKParser {

namespace {

constexpr std::uint32_t kPoolBlockSize = 32768;
constexpr std::uint32_t kPoolCacheEntries = 500;

void ShareChildren(const HtmlDocTree::NodeVector& from, HtmlDocTree::NodeVector& to)
{
    for (const HtmlDocTree::NodeHolder& child : from) to.push_back(child);
}

} // namespace

HtmlDocTree::HtmlDocTree() : HtmlDocTree(VEK::CHARSET_UNKNOWN) {}

HtmlDocTree::HtmlDocTree(VEK::CHARSET charset)
    : m_Charset(charset), m_StringPool(kPoolBlockSize, true, kPoolCacheEntries)
{
}

HtmlDocTree::~HtmlDocTree() = default;

void HtmlDocTree::Reset()
{
    m_TopNodes.clear();
    m_MetaMap.clear();
    m_uNodeNumber = 0;
    m_Charset = VEK::CHARSET_UNKNOWN;
}

HtmlDocTree::HtmlTreeNode::HtmlTreeNode(const HtmlTreeNode& other)
    : m_pTagName(other.m_pTagName), m_uKeyword(other.m_uKeyword), m_uOffset(other.m_uOffset),
      m_uRawSize(other.m_uRawSize), m_uTextSize(other.m_uTextSize), m_pText(other.m_pText),
      m_pParams(other.m_pParams), m_pTree(other.m_pTree)
{
    ShareChildren(other.m_Children, m_Children);
}

HtmlDocTree::HtmlTreeNode& HtmlDocTree::HtmlTreeNode::operator=(const HtmlTreeNode& other)
{
    if (this == &other) return *this;
    m_pTagName = other.m_pTagName;
    m_uKeyword = other.m_uKeyword;
    m_uOffset = other.m_uOffset;
    m_uRawSize = other.m_uRawSize;
    m_uTextSize = other.m_uTextSize;
    m_pText = other.m_pText;
    m_pTree = other.m_pTree;
    // Taken before the old children go: `other` may be one of them.
    const std::vector<NodeHolder> children(other.m_Children.begin(), other.m_Children.end());
    m_Children.clear();
    for (const NodeHolder& child : children) m_Children.push_back(child);
    m_pParams = other.m_pParams;
    return *this;
}

// Releasing a child whose last holder this is would release its children from inside its own
// destructor, one stack frame per level. Instead, such children hand their own children to a
// work list first, so a tree of any depth is released in a loop.
HtmlDocTree::HtmlTreeNode::~HtmlTreeNode()
{
    if (m_Children.empty()) return;
    std::vector<NodeHolder> pending;
    const auto adopt = [&pending](NodeVector& children) {
        for (NodeHolder& child : children) pending.push_back(std::move(child));
        children.clear();
    };
    adopt(m_Children);
    while (!pending.empty()) {
        NodeHolder last = std::move(pending.back());
        pending.pop_back();
        if (last.Count() == 1) adopt(last->m_Children);
    }
}

} // namespace VEKParser
