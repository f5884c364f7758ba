#pragma once

// Memory for tree nodes. A parse makes thousands of small nodes, and one allocation each made
// the system allocator the largest cost of parsing; so while a parse runs, its thread carves
// nodes from 64 KiB slabs. A slab goes back to the system when its last node is freed,
// whatever thread frees it, so a node may outlive its tree and its parser.
#include <cstddef>

namespace VEKParser::doctree {

void* AllocateNode(std::size_t size);
void FreeNode(void* node) noexcept;

// While one exists on a thread, the nodes that thread allocates come from slabs.
class NodeSlabScope {
public:
    NodeSlabScope() noexcept;
    ~NodeSlabScope();
    NodeSlabScope(const NodeSlabScope&) = delete;
    NodeSlabScope& operator=(const NodeSlabScope&) = delete;

private:
    void* m_pOuter;
};

} // namespace VEKParser::doctree
