#include <VEKParser/host/SmallObjects.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace VEK {

namespace {

// Slabs are aligned to their size, so an object finds its slab by masking its address.
constexpr std::size_t kSlabSize = 64 * 1024;

// Until a thread gives its slab up, the slab holds a large reserve instead of counting each
// object it hands out, so carving needs no atomic operation; giving up trades the reserve for
// the number of objects handed out.
constexpr std::uint32_t kReserve = 1u << 30;

struct alignas(16) Slab {
    std::atomic<std::uint32_t> m_uHolds{kReserve};
};

struct Cursor {
    char* m_pNext = nullptr;
    char* m_pEnd = nullptr;
    Slab* m_pSlab = nullptr;
    std::uint32_t m_uHanded = 0;
    bool m_bClosed = false;  // the thread is exiting: every slab is given up at once
};

constinit thread_local Cursor t_Cursor;

void Drop(Slab* slab, std::uint32_t holds) noexcept
{
    if (slab->m_uHolds.fetch_sub(holds, std::memory_order_acq_rel) == holds) {
        slab->~Slab();
        std::free(slab);
    }
}

void GiveUp(Cursor& cursor) noexcept
{
    if (cursor.m_pSlab != nullptr) Drop(cursor.m_pSlab, kReserve - cursor.m_uHanded);
    cursor.m_pSlab = nullptr;
    cursor.m_pNext = cursor.m_pEnd = nullptr;
    cursor.m_uHanded = 0;
}

// Gives the thread's slab up when the thread ends; objects still alive keep it.
struct CursorRelease {
    ~CursorRelease()
    {
        GiveUp(t_Cursor);
        t_Cursor.m_bClosed = true;
    }
};

thread_local CursorRelease t_Release;

void StartSlab(Cursor& cursor)
{
    void* memory = std::aligned_alloc(kSlabSize, kSlabSize);
    if (memory == nullptr) throw std::bad_alloc();
    if (!cursor.m_bClosed) static_cast<void>(&t_Release);  // registers the release at thread exit
    GiveUp(cursor);
    cursor.m_pSlab = ::new (memory) Slab;
    cursor.m_pNext = static_cast<char*>(memory) + sizeof(Slab);
    cursor.m_pEnd = static_cast<char*>(memory) + kSlabSize;
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

} // namespace

void* AllocateSmall(std::size_t size, std::size_t alignment)
{
    Cursor& cursor = t_Cursor;
    char* block = cursor.m_pSlab == nullptr ? nullptr : Carve(cursor, size, alignment);
    if (block == nullptr) {
        StartSlab(cursor);
        block = Carve(cursor, size, alignment);
    }
    ++cursor.m_uHanded;
    if (cursor.m_bClosed) GiveUp(cursor);
    return block;
}

void FreeSmall(void* block) noexcept
{
    if (block == nullptr) return;
    const auto address = reinterpret_cast<std::uintptr_t>(block);
    Drop(reinterpret_cast<Slab*>(address & ~(kSlabSize - 1)), 1);
}

} // namespace VEK
