#include "html/doctree/NodeSlab.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace VEKParser::doctree {

namespace {

constexpr std::size_t kSlabSize = 64 * 1024;

// One count per live node, plus one held by the scope while the slab is its current one;
// whoever drops the count to zero frees the slab.
struct Slab {
    std::atomic<std::uint32_t> m_uHolds{1};
    std::size_t m_uUsed = 0;
};

// Precedes every node: the slab it lives in, or null for a node of its own allocation.
struct alignas(std::max_align_t) Header {
    Slab* m_pSlab;
};

constexpr std::size_t kFirstOffset = (sizeof(Slab) + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) *
                                     alignof(std::max_align_t);

struct ThreadSlabs {
    bool m_bActive = false;
    Slab* m_pCurrent = nullptr;
};

thread_local ThreadSlabs t_Slabs;

void Release(Slab* slab) noexcept
{
    if (slab->m_uHolds.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        slab->~Slab();
        std::free(slab);
    }
}

std::size_t Rounded(std::size_t size) noexcept
{
    constexpr std::size_t align = alignof(std::max_align_t);
    return (size + align - 1) / align * align;
}

Header* FromSlab(std::size_t need)
{
    Slab* slab = t_Slabs.m_pCurrent;
    if (slab == nullptr || slab->m_uUsed + need > kSlabSize) {
        void* memory = std::malloc(kSlabSize);
        if (memory == nullptr) throw std::bad_alloc();
        if (slab != nullptr) Release(slab);
        slab = t_Slabs.m_pCurrent = ::new (memory) Slab;
        slab->m_uUsed = kFirstOffset;
    }
    auto* header = reinterpret_cast<Header*>(reinterpret_cast<char*>(slab) + slab->m_uUsed);
    slab->m_uUsed += need;
    slab->m_uHolds.fetch_add(1, std::memory_order_relaxed);
    header->m_pSlab = slab;
    return header;
}

} // namespace

void* AllocateNode(std::size_t size)
{
    const std::size_t need = sizeof(Header) + Rounded(size);
    Header* header = nullptr;
    if (t_Slabs.m_bActive && need <= kSlabSize - kFirstOffset) {
        header = FromSlab(need);
    } else {
        header = static_cast<Header*>(std::malloc(need));
        if (header == nullptr) throw std::bad_alloc();
        header->m_pSlab = nullptr;
    }
    return header + 1;
}

void FreeNode(void* node) noexcept
{
    if (node == nullptr) return;
    Header* header = static_cast<Header*>(node) - 1;
    if (header->m_pSlab == nullptr) std::free(header);
    else Release(header->m_pSlab);
}

NodeSlabScope::NodeSlabScope() noexcept : m_pOuter(t_Slabs.m_bActive ? &t_Slabs : nullptr)
{
    t_Slabs.m_bActive = true;
}

// The outermost scope gives up the current slab; its nodes keep it alive.
NodeSlabScope::~NodeSlabScope()
{
    if (m_pOuter != nullptr) return;
    t_Slabs.m_bActive = false;
    if (t_Slabs.m_pCurrent != nullptr) Release(t_Slabs.m_pCurrent);
    t_Slabs.m_pCurrent = nullptr;
}

} // namespace VEKParser::doctree
