#include <VEKParser/asn/ASNNode.h>

#include <algorithm>
#include <cstddef>
#include <new>
#include <utility>

#include <VEKParser/host/MemoryPool.h>

#include "host/SmallObjectsInline.h"

namespace VEKParser {

namespace {

[[noreturn]] void WrongNodeType() { throw "Function called on wrong node type!"; }

bool IsUnwrapped(const ASNHeader& wrapper) noexcept
{
    return wrapper.m_uOffset == 0 && wrapper.m_uHeaderLength == 0 && wrapper.m_nLength == 0 && wrapper.m_nClass == 0 &&
           wrapper.m_nTagNumber == 0 && !wrapper.m_bConstructed;
}

const ASNHeader NO_WRAPPER{};

// Class objects larger than a small object (none of the library's) come from the pool. No node
// class needs more than the alignment of a pointer or a 64-bit value.
constexpr std::size_t LARGEST_SMALL = 1024;
constexpr std::size_t NODE_ALIGNMENT = 8;

} // namespace

struct BaseASNNode::Extra {
    ASNHeader m_Wrapper;
    std::int64_t m_nLength = 0;
};

BaseASNNode::~BaseASNNode()
{
    if (m_pExtra) VEK::SmallObjects::Free(m_pExtra);
}

void* BaseASNNode::operator new(std::size_t size) noexcept
{
    if (size > LARGEST_SMALL) return VEKMem::MemoryPool::New(size);
    try {
        return VEK::SmallObjects::Allocate(size, NODE_ALIGNMENT);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void BaseASNNode::operator delete(void* block, std::size_t size) noexcept
{
    if (size > LARGEST_SMALL) VEKMem::MemoryPool::Delete(block);
    else VEK::SmallObjects::Free(block);
}

int BaseASNNode::GetTag() const { return m_nExplicitTag; }
int BaseASNNode::GetValueType() const { WrongNodeType(); }
bool BaseASNNode::HasChildren() const { WrongNodeType(); }
int BaseASNNode::NumberOfChildren() const { WrongNodeType(); }
VEK::SmartPtr<BaseASNNode> BaseASNNode::GetChild(int) { WrongNodeType(); }
void BaseASNNode::AddChild(const VEK::SmartPtr<BaseASNNode>&) { WrongNodeType(); }

// A holder that finds the count at 1 holds the only reference: no other thread can take one, so
// the node goes without an interlocked decrement (the acquiring read orders the destruction
// after the other holders' last writes, as the decrement's would).
long BaseASNNode::Release() const noexcept
{
    if (m_Count.GetAcquire() == 1) {
        delete this;
        return 0;
    }
    const long count = --m_Count;
    if (count == 0) delete this;
    return count;
}

ASNHeader BaseASNNode::GetHeader() const noexcept
{
    ASNHeader header;
    header.m_uOffset = m_uOffset;
    header.m_uHeaderLength = m_uHeaderLength;
    header.m_nLength = m_uFlags & LONG_LENGTH             ? m_pExtra->m_nLength
                       : m_uLength == INDEFINITE_FIELD ? ASNHeader::INDEFINITE
                                                       : std::int64_t{m_uLength};
    header.m_nClass = m_uFlags & CLASS_BITS;
    header.m_nTagNumber = m_nTagNumber;
    header.m_bConstructed = m_uFlags & CONSTRUCTED;
    return header;
}

const ASNHeader& BaseASNNode::GetWrapperHeader() const noexcept
{
    return m_uFlags & WRAPPED ? m_pExtra->m_Wrapper : NO_WRAPPER;
}

void BaseASNNode::SetHeaders(const ASNHeader& header, const ASNHeader& wrapper)
{
    m_uFlags &= CONSTRUCTED_NODE;
    const unsigned int identifier =
        (static_cast<unsigned int>(header.m_nClass & CLASS_BITS) << 6) | (header.m_bConstructed ? 0x20u : 0u);
    Frame(header.m_uOffset, header.m_uHeaderLength, header.m_nTagNumber, identifier, header.m_nLength);
    if (IsUnwrapped(wrapper)) return;
    SetWrapper(wrapper);
}

void BaseASNNode::SetWrapper(const ASNHeader& wrapper)
{
    GetExtra().m_Wrapper = wrapper;
    m_uFlags |= WRAPPED;
}

void BaseASNNode::SetLongLength(std::int64_t length)
{
    m_uLength = 0;
    GetExtra().m_nLength = length;
    m_uFlags |= LONG_LENGTH;
}

BaseASNNode::Extra& BaseASNNode::GetExtra()
{
    if (!m_pExtra) m_pExtra = ::new (VEK::SmallObjects::Allocate(sizeof(Extra), alignof(Extra))) Extra;
    return *m_pExtra;
}

// Most constructed nodes reach their destructor already emptied by the release of the node
// above them, so the test comes before any of the release's frame is set up.
ConstructedASNNode::~ConstructedASNNode()
{
    if (!m_Children.empty()) ReleaseTree();
}

void ConstructedASNNode::ReleaseTree() noexcept
{
    const VEK::SmallFreeBatch batch;
    ReleaseChildren(0);
}

// A constructed child held only here is emptied before it goes, by a nested call down to
// RELEASE_DEPTH levels; further down its children are taken over onto the end of this array
// instead, so a tree of any depth is released in bounded stack, and the usual shallow one
// without copying. Children go in stream order, the order in which the parser made them, so
// the walk meets memory in ascending order. A child held only here is deleted without a second
// look at its count, and the holders are read once and forgotten, not emptied and visited again.
void ConstructedASNNode::ReleaseChildren(int depth) noexcept
{
    for (std::size_t i = 0; i < m_Children.size(); ++i) {
        BaseASNNode* child = m_Children[i].Get();
        if (child == nullptr) continue;
        if (child->m_Count.GetAcquire() != 1) {
            child->Release();
            continue;
        }
        if (child->IsConstructedNode()) {
            auto& constructed = static_cast<ConstructedASNNode&>(*child);
            if (depth < RELEASE_DEPTH) constructed.ReleaseChildren(depth + 1);
            else TakeOverDeepChildren(constructed);
        }
        delete child;
    }
    m_Children.ForgetHolders();
}

// Only children that would nest further are worth moving; a child whose children are all
// primitive releases them itself, one level down.
void ConstructedASNNode::TakeOverDeepChildren(ConstructedASNNode& child) noexcept
{
    auto& grandchildren = child.m_Children;
    const bool deep = std::any_of(grandchildren.begin(), grandchildren.end(),
                                  [](const auto& grandchild) { return grandchild && grandchild->IsConstructedNode(); });
    if (!deep) return;
    for (auto& grandchild : grandchildren) m_Children.push_back(std::move(grandchild));
    grandchildren.clear();
}

bool ConstructedASNNode::HasChildren() const { return !m_Children.empty(); }
int ConstructedASNNode::NumberOfChildren() const { return static_cast<int>(m_Children.size()); }
VEK::SmartPtr<BaseASNNode> ConstructedASNNode::GetChild(int index) { return m_Children[static_cast<std::size_t>(index)]; }
void ConstructedASNNode::AddChild(const VEK::SmartPtr<BaseASNNode>& child) { m_Children.push_back(child); }
void ConstructedASNNode::AddChild(VEK::SmartPtr<BaseASNNode>&& child) { m_Children.push_back(std::move(child)); }

template <class T>
PrimitiveASNNode<T>::~PrimitiveASNNode() = default;

template class PrimitiveASNNode<std::int64_t>;
template class PrimitiveASNNode<bool>;
template class PrimitiveASNNode<VEK::BitVector>;
template class PrimitiveASNNode<std::string>;
template class PrimitiveASNNode<double>;
template class PrimitiveASNNode<std::vector<int>>;
template class PrimitiveASNNode<VEK::WString>;
template class PrimitiveASNNode<VEK::DateTime>;
template class PrimitiveASNNode<ASNVLongInt>;

// The text is copied once, straight from the contents: a string passed in and moved here had
// been copied twice more.
ASNTimeNode::ASNTimeNode(int explicitTag, VEK::DateTime value, std::string_view written)
    : PrimitiveASNNode(explicitTag, value, Time), m_sWritten(written)
{
}

ASNTimeNode::~ASNTimeNode() = default;

} // namespace VEKParser
