#include <VEKParser/asn/ASNTree.h>

#include <utility>

#include <VEKParser/host/SmallObjects.h>

namespace VEKParser {

ASNTree::ASNTree() = default;

// Nodes are freed together, a slab at a time.
ASNTree::~ASNTree()
{
    const VEK::SmallFreeBatch batch;
    m_Nodes.clear();
}

void ASNTree::Reset()
{
    const VEK::SmallFreeBatch batch;
    const auto released = std::move(m_Nodes);
}

void ASNTree::AddNode(const VEK::SmartPtr<BaseASNNode>& node) { m_Nodes.push_back(node); }
void ASNTree::AddNode(VEK::SmartPtr<BaseASNNode>&& node) { m_Nodes.push_back(std::move(node)); }

} // namespace VEKParser
