#include <VEKParser/asn/ASNTree.h>

#include <utility>

namespace VEKParser {

ASNTree::ASNTree() = default;

ASNTree::~ASNTree() = default;

void ASNTree::Reset()
{
    const auto released = std::move(m_Nodes);
}

void ASNTree::AddNode(const VEK::SmartPtr<BaseASNNode>& node) { m_Nodes.push_back(node); }
void ASNTree::AddNode(VEK::SmartPtr<BaseASNNode>&& node) { m_Nodes.push_back(std::move(node)); }

} // namespace VEKParser
