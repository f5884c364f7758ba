#pragma once

// The carving and freeing of small objects that stay on the thread's current slab, inline for
// the library's own hot paths (tree nodes): a call into the allocator and back was a tenth of
// building a tree. Everything else (a new slab, a free into another slab) stays out of line in
// SmallObjects.cpp, behind AllocateSmall and FreeSmall.

#include <cstddef>
#include <cstdint>

namespace VEK::SmallObjects {

// Slabs are aligned to their size, so an object finds its slab by masking its address.
constexpr std::size_t kSlabSize = 64 * 1024;

struct Slab;

struct Cursor {
    char* m_pNext = nullptr;
    char* m_pEnd = nullptr;
    Slab* m_pSlab = nullptr;
    char* m_pSpare = nullptr;  // the next slab of the current block, up to m_pBlockEnd
    char* m_pBlockEnd = nullptr;
    std::uint32_t m_uHanded = 0;
    bool m_bClosed = false;  // the thread is exiting: every slab is given up at once
    // SmallFreeBatch: how many are open, and the frees counted for one slab so far (the slab is
    // null when no batch is open).
    std::uint32_t m_uBatches = 0;
    std::uint32_t m_uBatched = 0;
    Slab* m_pBatchSlab = nullptr;
};

// The library is a shared library, whose thread-locals are otherwise found by a call into the
// dynamic linker on every use: one such call per object was a tenth of building a tree. The
// initial-exec model puts the cursor in the static TLS block at a fixed offset from the thread
// pointer; glibc keeps room there for a few small blocks of libraries loaded later (the Python
// module loads the library that way), and the cursor is only a few words.
extern constinit thread_local Cursor t_Cursor __attribute__((tls_model("initial-exec")));

// Objects aligned to at most four bytes (reference counts, mostly) are carved from the slab's end
// and the others from its start, so that a count made after each node pads nothing. Null when
// the slab has no room.
inline char* Carve(Cursor& cursor, std::size_t size, std::size_t alignment) noexcept
{
    if (alignment <= 4) {
        const std::size_t rounded = (size + 3) & ~std::size_t{3};
        if (static_cast<std::size_t>(cursor.m_pEnd - cursor.m_pNext) < rounded) return nullptr;
        return cursor.m_pEnd -= rounded;
    }
    const auto next = reinterpret_cast<std::uintptr_t>(cursor.m_pNext);
    char* block = cursor.m_pNext + (((next + alignment - 1) & ~(alignment - 1)) - next);
    if (block > cursor.m_pEnd || static_cast<std::size_t>(cursor.m_pEnd - block) < size) return nullptr;
    cursor.m_pNext = block + size;
    return block;
}

// The slow paths: a fresh slab (throws std::bad_alloc), carving the current slab again from its
// start, and a free into any other slab.
char* CarveFromNewSlab(Cursor& cursor, std::size_t size, std::size_t alignment);
void RestartSlab(Cursor& cursor) noexcept;
void FreeElsewhere(Cursor& cursor, Slab* slab) noexcept;

inline void* Allocate(std::size_t size, std::size_t alignment)
{
    Cursor& cursor = t_Cursor;
    char* block = cursor.m_pSlab == nullptr ? nullptr : Carve(cursor, size, alignment);
    if (__builtin_expect(block == nullptr, 0)) return CarveFromNewSlab(cursor, size, alignment);
    ++cursor.m_uHanded;
    return block;
}

// An object of the slab its own thread still carves from is taken off the objects handed out,
// which the slab's count receives when the thread gives the slab up; that needs no atomic
// operation, and a tree that is dropped soon after it was built finds most nodes there. When
// the last of them goes, no object of the slab is alive (another thread's free would have kept
// one counted here), so the slab is carved again from its start: the next tree reuses memory
// that is still in the cache instead of moving on to memory that is not.
inline void Free(void* block) noexcept
{
    if (block == nullptr) return;
    Slab* slab = reinterpret_cast<Slab*>(reinterpret_cast<std::uintptr_t>(block) & ~(kSlabSize - 1));
    Cursor& cursor = t_Cursor;
    if (slab != cursor.m_pSlab) {
        // A whole tree freed in a batch meets its earlier slabs object after object.
        if (slab == cursor.m_pBatchSlab) {
            ++cursor.m_uBatched;
            return;
        }
        return FreeElsewhere(cursor, slab);
    }
    if (--cursor.m_uHanded == 0) RestartSlab(cursor);
}

} // namespace VEK::SmallObjects
