// The document tree and its nodes: construction, copying, release.
#include <VEKParser/html/doctree/HtmlDocTree.h>

#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include <VEKParser/host/SmallObjects.h>

namespace VEKParser {

namespace {

constexpr std::uint32_t kPoolBlockSize = 32768;
constexpr std::uint32_t kPoolCacheEntries = 500;

void ShareChildren(const HtmlDocTree::NodeVector& from, HtmlDocTree::NodeVector& to)
{
    for (const HtmlDocTree::NodeHolder& child : from) to.push_back(child);
}

using ParamEntry = HtmlDocTree::SharedParamMap::Entry;

// The entries follow the block's header, then the bytes of their names and values.
constexpr std::size_t kParamEntriesAt =
    (sizeof(HtmlDocTree::SharedParamMap) + alignof(ParamEntry) - 1) / alignof(ParamEntry) * alignof(ParamEntry);
constexpr std::size_t kSmallObjectLimit = 1024;

bool NamedBefore(const ParamEntry* entries, std::size_t i) noexcept
{
    for (std::size_t j = 0; j < i; ++j)
        if (entries[j].first == entries[i].first) return true;
    return false;
}

std::string_view CopyInto(std::string_view text, char*& to) noexcept
{
    if (!text.empty()) std::memcpy(to, text.data(), text.size());
    const std::string_view copy(to, text.size());
    to += text.size();
    return copy;
}

} // namespace

HtmlDocTree::SharedParamMap* HtmlDocTree::SharedParamMap::Create(const Entry* entries, std::size_t count)
{
    std::size_t kept = 0;
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (NamedBefore(entries, i)) continue;
        ++kept;
        bytes += entries[i].first.size() + entries[i].second.size();
    }
    const std::size_t total = kParamEntriesAt + kept * sizeof(Entry) + bytes;
    const bool small = total <= kSmallObjectLimit;
    void* block = small ? VEK::AllocateSmall(total, alignof(Entry)) : ::operator new(total);
    auto* map = new (block) SharedParamMap(static_cast<std::uint32_t>(kept), small);
    auto* slots = std::uninitialized_value_construct_n(
        reinterpret_cast<Entry*>(static_cast<char*>(block) + kParamEntriesAt), kept) - kept;
    char* text = reinterpret_cast<char*>(slots + kept);
    // Lists are a few names long: each entry is inserted in name order where it belongs.
    std::size_t filled = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (NamedBefore(entries, i)) continue;
        const Entry copy{CopyInto(entries[i].first, text), CopyInto(entries[i].second, text)};
        std::size_t at = filled++;
        for (; at > 0 && copy.first < slots[at - 1].first; --at) slots[at] = slots[at - 1];
        slots[at] = copy;
    }
    return map;
}

void HtmlDocTree::SharedParamMap::Release() const noexcept
{
    if (--m_Count != 0) return;
    void* block = const_cast<SharedParamMap*>(this);
    if (m_bSmall) VEK::FreeSmall(block);
    else ::operator delete(block);
}

const HtmlDocTree::SharedParamMap::Entry* HtmlDocTree::SharedParamMap::begin() const noexcept
{
    return reinterpret_cast<const Entry*>(reinterpret_cast<const char*>(this) + kParamEntriesAt);
}

const std::string_view* HtmlDocTree::SharedParamMap::Find(std::string_view name) const noexcept
{
    for (const Entry& entry : *this)
        if (entry.first == name) return &entry.second;
    return nullptr;
}

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
// work list first, so a tree of any depth is released in a loop. The nodes of a tree lie
// together in a few slabs, whose counts are updated once per slab instead of once per node.
HtmlDocTree::HtmlTreeNode::~HtmlTreeNode()
{
    if (m_Children.empty()) return;
    const VEK::SmallFreeBatch batch;
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
