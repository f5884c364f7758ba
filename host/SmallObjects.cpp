#include <VEKParser/host/SmallObjects.h>

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace VEK {

namespace {

// Slabs are aligned to their size, so an object finds its slab by masking its address.
constexpr std::size_t kSlabSize = 64 * 1024;

// An aligned block from the system is often longer than asked for (glibc maps a 64 KiB block
// aligned to 64 KiB with up to 68 KiB more behind it); the rest becomes one shorter slab when it
// has room for a few objects. Every slab of a block keeps the block.
constexpr std::size_t kShortestSlab = 4 * 1024;

// Until a thread gives its slab up, the slab holds a large reserve instead of counting each
// object it hands out, so carving needs no atomic operation; giving up trades the reserve for
// the number of objects handed out.
constexpr std::uint32_t kReserve = 1u << 30;

struct alignas(16) Slab {
    std::atomic<std::uint32_t> m_uHolds{kReserve};
    std::atomic<std::uint32_t> m_uSlabs{0};  // in a block's first slab: its slabs still in use
    Slab* m_pBlock = nullptr;                // the block's first slab, whose address was allocated
};

struct Cursor {
    char* m_pNext = nullptr;
    char* m_pEnd = nullptr;
    Slab* m_pSlab = nullptr;
    char* m_pSpare = nullptr;  // the next slab of the current block, up to m_pBlockEnd
    char* m_pBlockEnd = nullptr;
    std::uint32_t m_uHanded = 0;
    bool m_bClosed = false;  // the thread is exiting: every slab is given up at once
    // SmallFreeBatch: how many are open, and the frees counted for one slab so far.
    std::uint32_t m_uBatches = 0;
    std::uint32_t m_uBatched = 0;
    Slab* m_pBatchSlab = nullptr;
};

// The library is a shared library, whose thread-locals are otherwise found by a call into the
// dynamic linker on every use: one such call per object was a tenth of building a tree. The
// initial-exec model puts the cursor in the static TLS block at a fixed offset from the thread
// pointer; glibc keeps room there for a few small blocks of libraries loaded later (the Python
// module loads the library that way), and the cursor is only a few words.
constinit thread_local Cursor t_Cursor __attribute__((tls_model("initial-exec")));

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
    cursor.m_pNext = memory + sizeof(Slab);
    cursor.m_pEnd = std::min(memory + kSlabSize, cursor.m_pBlockEnd);
    cursor.m_pSpare = cursor.m_pEnd;
}

char* AlignUp(char* p, std::size_t alignment) noexcept
{
    const auto address = reinterpret_cast<std::uintptr_t>(p);
    return reinterpret_cast<char*>((address + alignment - 1) & ~(alignment - 1));
}

// Objects aligned to at most four bytes (reference counts, mostly) are carved from the slab's end
// and the others from its start, so that a count made after each node pads nothing.
char* Carve(Cursor& cursor, std::size_t size, std::size_t alignment) noexcept
{
    if (alignment <= 4) {
        const std::size_t rounded = (size + 3) & ~std::size_t{3};
        if (static_cast<std::size_t>(cursor.m_pEnd - cursor.m_pNext) < rounded) return nullptr;
        return cursor.m_pEnd -= rounded;
    }
    char* block = AlignUp(cursor.m_pNext, alignment);
    if (block > cursor.m_pEnd || static_cast<std::size_t>(cursor.m_pEnd - block) < size) return nullptr;
    cursor.m_pNext = block + size;
    return block;
}

// Gives the frees counted so far to their slab and starts counting for `next`.
void FlushBatch(Cursor& cursor, Slab* next) noexcept
{
    if (cursor.m_uBatched != 0) Drop(cursor.m_pBatchSlab, cursor.m_uBatched);
    cursor.m_pBatchSlab = next;
    cursor.m_uBatched = 0;
}

// Out of line, so that carving from the current slab saves no registers.
[[gnu::noinline]] char* CarveFromNewSlab(Cursor& cursor, std::size_t size, std::size_t alignment)
{
    StartSlab(cursor);
    char* block = Carve(cursor, size, alignment);
    ++cursor.m_uHanded;
    if (cursor.m_bClosed) GiveUp(cursor, true);
    return block;
}

} // namespace

void* AllocateSmall(std::size_t size, std::size_t alignment)
{
    Cursor& cursor = t_Cursor;
    char* block = cursor.m_pSlab == nullptr ? nullptr : Carve(cursor, size, alignment);
    if (block == nullptr) return CarveFromNewSlab(cursor, size, alignment);
    ++cursor.m_uHanded;
    return block;
}

// An object of the slab its own thread still carves from is taken off the objects handed out,
// which the slab's count receives when the thread gives the slab up; that needs no atomic
// operation, and a tree that is dropped soon after it was built finds most nodes there.
void FreeSmall(void* block) noexcept
{
    if (block == nullptr) return;
    const auto address = reinterpret_cast<std::uintptr_t>(block);
    Slab* slab = reinterpret_cast<Slab*>(address & ~(kSlabSize - 1));
    Cursor& cursor = t_Cursor;
    if (slab == cursor.m_pSlab) {
        --cursor.m_uHanded;
    } else if (cursor.m_uBatches == 0) {
        Drop(slab, 1);
    } else {
        if (slab != cursor.m_pBatchSlab) FlushBatch(cursor, slab);
        ++cursor.m_uBatched;
    }
}

SmallFreeBatch::SmallFreeBatch() noexcept { ++t_Cursor.m_uBatches; }

SmallFreeBatch::~SmallFreeBatch()
{
    Cursor& cursor = t_Cursor;
    if (--cursor.m_uBatches == 0) FlushBatch(cursor, nullptr);
}

} // namespace VEK
