#pragma once

#include <cstddef>

#include <VEKParser/Export.h>

namespace VEK {

// Memory for the small objects a parse makes and drops by the thousand: reference counts, tree
// nodes, short child arrays. One heap allocation each made the system allocator the largest
// cost of parsing and doubled the memory a tree takes, so each thread carves them from 64 KiB
// slabs instead. A slab goes back to the system when the last object carved from it is freed,
// by whatever thread; objects that live long keep their whole slab alive.
//
// `size` is at most 1 KiB and `alignment` a power of two no larger than 16.
VEKPARSER_API void* AllocateSmall(std::size_t size, std::size_t alignment);
VEKPARSER_API void FreeSmall(void* block) noexcept;

// While one lives on a thread, that thread's frees into other threads' slabs, or into its own
// earlier ones, are counted and given to each slab in one atomic step when the frees move on to
// another slab or the outermost batch ends: a whole tree freed at once costs one atomic operation
// per slab instead of one per object. Slabs go back to the system at the latest when the batch
// ends.
class VEKPARSER_API SmallFreeBatch {
public:
    SmallFreeBatch() noexcept;
    ~SmallFreeBatch();
    SmallFreeBatch(const SmallFreeBatch&) = delete;
    SmallFreeBatch& operator=(const SmallFreeBatch&) = delete;
};

} // namespace VEK
