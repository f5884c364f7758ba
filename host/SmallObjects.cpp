#include <VEKParser/host/SmallObjects.h>

#include "host/SmallObjectsInline.h"

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace VEK {

namespace SmallObjects {

// Until a thread gives its slab up, the slab holds a large reserve instead of counting each
// object it hands out, so carving needs no atomic operation; giving up trades the reserve for
// the number of objects handed out.
constexpr std::uint32_t kReserve = 1u << 30;

struct alignas(16) Slab {
    std::atomic<std::uint32_t> m_uHolds{kReserve};
    std::atomic<std::uint32_t> m_uSlabs{0};  // in a block's first slab: its slabs still in use
    Slab* m_pBlock = nullptr;                // the block's first slab, whose address was allocated
};

constinit thread_local Cursor t_Cursor __attribute__((tls_model("initial-exec")));

void RestartSlab(Cursor& cursor) noexcept
{
    char* memory = reinterpret_cast<char*>(cursor.m_pSlab);
    cursor.m_pNext = memory + sizeof(Slab);
    cursor.m_pEnd = std::min(memory + kSlabSize, cursor.m_pBlockEnd);
}

namespace {

// An aligned block from the system is often longer than asked for (glibc maps a 64 KiB block
// aligned to 64 KiB with up to 68 KiB more behind it); the rest becomes one shorter slab when it
// has room for a few objects. Every slab of a block keeps the block.
constexpr std::size_t kShortestSlab = 4 * 1024;

void DropSlabs(Slab* block, std::uint32_t slabs) noexcept
{
    if (block->m_uSlabs.fetch_sub(slabs, std::memory_order_acq_rel) == slabs) {
        block->~Slab();
        std::free(block);
    }
}

void Drop(Slab* slab, std::uint32_t holds) noexcept
{
    if (slab->m_uHolds.fetch_sub(holds, std::memory_order_acq_rel) == holds) DropSlabs(slab->m_pBlock, 1);
}

std::size_t SpareSlabs(const Cursor& cursor) noexcept
{
    const auto spare = static_cast<std::size_t>(cursor.m_pBlockEnd - cursor.m_pSpare);
    return (spare + kSlabSize - kShortestSlab) / kSlabSize;
}

void GiveUp(Cursor& cursor, bool block) noexcept
{
    if (cursor.m_pSlab != nullptr) {
        Slab* first = cursor.m_pSlab->m_pBlock;
        Drop(cursor.m_pSlab, kReserve - cursor.m_uHanded);
        if (block && SpareSlabs(cursor) != 0) DropSlabs(first, static_cast<std::uint32_t>(SpareSlabs(cursor)));
    }
    cursor.m_pSlab = nullptr;
    cursor.m_pNext = cursor.m_pEnd = nullptr;
    if (block) cursor.m_pSpare = cursor.m_pBlockEnd = nullptr;
    cursor.m_uHanded = 0;
}

// Gives the thread's slab and the rest of its block up when the thread ends; objects still
// alive keep them.
struct CursorRelease {
    ~CursorRelease()
    {
        GiveUp(t_Cursor, true);
        t_Cursor.m_bClosed = true;
    }
};

thread_local CursorRelease t_Release;

// A block's slabs are counted in its first one before any of them is handed out.
Slab* StartBlock(Cursor& cursor)
{
    void* memory = std::aligned_alloc(kSlabSize, kSlabSize);
    if (memory == nullptr) throw std::bad_alloc();
    auto* first = ::new (memory) Slab;
    first->m_pBlock = first;
    cursor.m_pSpare = static_cast<char*>(memory);
    cursor.m_pBlockEnd = cursor.m_pSpare + std::max(malloc_usable_size(memory), kSlabSize);
    first->m_uSlabs.store(static_cast<std::uint32_t>(SpareSlabs(cursor)), std::memory_order_relaxed);
    return first;
}

void StartSlab(Cursor& cursor)
{
    if (!cursor.m_bClosed) static_cast<void>(&t_Release);  // registers the release at thread exit
    Slab* first = SpareSlabs(cursor) != 0 ? cursor.m_pSlab->m_pBlock : nullptr;
    GiveUp(cursor, false);
    if (first == nullptr) first = StartBlock(cursor);
    char* memory = cursor.m_pSpare;
    Slab* slab = memory == reinterpret_cast<char*>(first) ? first : ::new (memory) Slab;
    slab->m_pBlock = first;
    cursor.m_pSlab = slab;
    RestartSlab(cursor);
    cursor.m_pSpare = cursor.m_pEnd;
}

// Gives the frees counted so far to their slab and starts counting for `next`.
void FlushBatch(Cursor& cursor, Slab* next) noexcept
{
    if (cursor.m_uBatched != 0) Drop(cursor.m_pBatchSlab, cursor.m_uBatched);
    cursor.m_pBatchSlab = next;
    cursor.m_uBatched = 0;
}

} // namespace

// Out of line, so that carving from the current slab saves no registers.
[[gnu::noinline]] char* CarveFromNewSlab(Cursor& cursor, std::size_t size, std::size_t alignment)
{
    StartSlab(cursor);
    char* block = Carve(cursor, size, alignment);
    ++cursor.m_uHanded;
    if (cursor.m_bClosed) GiveUp(cursor, true);
    return block;
}

void FreeElsewhere(Cursor& cursor, Slab* slab) noexcept
{
    if (cursor.m_uBatches == 0) {
        Drop(slab, 1);
    } else {
        if (slab != cursor.m_pBatchSlab) FlushBatch(cursor, slab);
        ++cursor.m_uBatched;
    }
}

} // namespace SmallObjects

void* AllocateSmall(std::size_t size, std::size_t alignment) { return SmallObjects::Allocate(size, alignment); }

void FreeSmall(void* block) noexcept { SmallObjects::Free(block); }

SmallFreeBatch::SmallFreeBatch() noexcept { ++SmallObjects::t_Cursor.m_uBatches; }

SmallFreeBatch::~SmallFreeBatch()
{
    SmallObjects::Cursor& cursor = SmallObjects::t_Cursor;
    if (--cursor.m_uBatches == 0) SmallObjects::FlushBatch(cursor, nullptr);
}

} // namespace VEK
