#include <VEKParser/asn/ASNNode.h>

#include <utility>

namespace VEKParser {

namespace {

[[noreturn]] void WrongNodeType() { throw "Function called on wrong node type!"; }

} // namespace

BaseASNNode::BaseASNNode(int explicitTag) : m_nExplicitTag(explicitTag) {}

BaseASNNode::~BaseASNNode() = default;

int BaseASNNode::GetTag() const { return m_nExplicitTag; }
int BaseASNNode::GetValueType() const { WrongNodeType(); }
bool BaseASNNode::HasChildren() const { WrongNodeType(); }
int BaseASNNode::NumberOfChildren() const { WrongNodeType(); }
VEK::SmartPtr<BaseASNNode> BaseASNNode::GetChild(int) { WrongNodeType(); }
void BaseASNNode::AddChild(const VEK::SmartPtr<BaseASNNode>&) { WrongNodeType(); }

long BaseASNNode::Release() const noexcept
{
    const long count = --m_Count;
    if (count == 0) delete this;
    return count;
}

void BaseASNNode::SetHeaders(const ASNHeader& header, const ASNHeader& wrapper) noexcept
{
    m_Header = header;
    m_Wrapper = wrapper;
}

ConstructedASNNode::ConstructedASNNode(int explicitTag) : BaseASNNode(explicitTag) {}

ConstructedASNNode::~ConstructedASNNode()
{
    // A child whose last holder is this node hands its children over before it goes, so
    // releasing a deep chain takes a loop here instead of one nested destructor per level.
    while (!m_Children.empty()) {
        VEK::SmartPtr<BaseASNNode> child = std::move(m_Children.back());
        m_Children.pop_back();
        if (!child || child->NbRef() != 1 || child->IsPrimitive()) continue;
        if (auto* constructed = dynamic_cast<ConstructedASNNode*>(child.Get())) {
            auto& grandchildren = constructed->m_Children;
            while (!grandchildren.empty()) {
                m_Children.push_back(std::move(grandchildren.back()));
                grandchildren.pop_back();
            }
        }
    }
}

bool ConstructedASNNode::HasChildren() const { return !m_Children.empty(); }
int ConstructedASNNode::NumberOfChildren() const { return static_cast<int>(m_Children.size()); }
VEK::SmartPtr<BaseASNNode> ConstructedASNNode::GetChild(int index) { return m_Children[static_cast<std::size_t>(index)]; }
void ConstructedASNNode::AddChild(const VEK::SmartPtr<BaseASNNode>& child) { m_Children.push_back(child); }
void ConstructedASNNode::AddChild(VEK::SmartPtr<BaseASNNode>&& child) { m_Children.push_back(std::move(child)); }

template <class T>
PrimitiveASNNode<T>::PrimitiveASNNode(int explicitTag, T value, int valueType)
    : BaseASNNode(explicitTag), m_Value(std::move(value)), m_nValueType(valueType)
{
}

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

ASNTimeNode::ASNTimeNode(int explicitTag, VEK::DateTime value, std::string written)
    : PrimitiveASNNode(explicitTag, value, Time), m_sWritten(std::move(written))
{
}

ASNTimeNode::~ASNTimeNode() = default;

} // namespace VEKParser
