#pragma once

#include <VEKParser/Export.h>
#include <VEKParser/asn/ASNNode.h>
#include <VEKParser/host/RefCount.h>
#include <VEKParser/host/SmartPtr.h>

namespace VEKParser {

// The top-level values of a BER stream, in stream order.
class VEKPARSER_API ASNTree {
public:
    ASNTree();
    ~ASNTree();
    ASNTree(const ASNTree&) = delete;
    ASNTree& operator=(const ASNTree&) = delete;

    bool IsEmpty() const noexcept { return m_Nodes.empty(); }
    unsigned int NumberOfNodes() const noexcept { return static_cast<unsigned int>(m_Nodes.size()); }
    // `index` must be below NumberOfNodes().
    VEK::SmartPtr<BaseASNNode> GetNode(unsigned int index) const { return m_Nodes[index]; }
    // Releases every node and the storage; nodes the caller still holds survive.
    void Reset();
    // Appends; a null handle is stored as given.
    void AddNode(const VEK::SmartPtr<BaseASNNode>& node);
    // Appends, taking over the caller's handle (no count changes).
    void AddNode(VEK::SmartPtr<BaseASNNode>&& node);

    const VEK::SmartPtr<BaseASNNode>* Begin() const noexcept { return m_Nodes.begin(); }
    const VEK::SmartPtr<BaseASNNode>* End() const noexcept { return m_Nodes.end(); }
    std::size_t Capacity() const noexcept { return m_Nodes.capacity(); }

private:
    VEK::RefCountVector<BaseASNNode, VEK::SmartPtr<BaseASNNode>> m_Nodes;
};

} // namespace VEKParser
