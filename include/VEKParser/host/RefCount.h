#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <utility>

#include <VEKParser/host/SmallObjects.h>

namespace VEK {

// Growth of the library's arrays: doubling while small, then by a quarter, never below 16.
inline std::size_t GrowCapacity(std::size_t size) noexcept
{
    const std::size_t next = size < 257 ? size * 2 : static_cast<std::size_t>(static_cast<double>(size) * 1.25);
    return std::max<std::size_t>(next, 16);
}

// Non-intrusive shared holder: the object and a separately allocated count starting at 1.
template <class T>
class RefCount {
    using Counter = std::atomic<std::int32_t>;

public:
    RefCount() noexcept = default;
    // Takes `p` over; if no count can be allocated, `p` is deleted and the failure thrown.
    explicit RefCount(T* p) : m_p(p), m_pCount(p ? NewCount(p) : nullptr) {}
    RefCount(const RefCount& other) noexcept : m_p(other.m_p), m_pCount(other.m_pCount)
    {
        if (m_pCount) m_pCount->fetch_add(1, std::memory_order_relaxed);
    }
    RefCount(RefCount&& other) noexcept
        : m_p(std::exchange(other.m_p, nullptr)), m_pCount(std::exchange(other.m_pCount, nullptr)) {}
    ~RefCount() { Reset(); }

    RefCount& operator=(RefCount other) noexcept
    {
        std::swap(m_p, other.m_p);
        std::swap(m_pCount, other.m_pCount);
        return *this;
    }

    void Reset() noexcept
    {
        if (m_pCount && m_pCount->fetch_sub(1, std::memory_order_acq_rel) == 1) {
            delete m_p;
            m_pCount->~Counter();
            FreeSmall(m_pCount);
        }
        m_p = nullptr;
        m_pCount = nullptr;
    }

    T* Get() const noexcept { return m_p; }
    T* operator->() const noexcept { return m_p; }
    T& operator*() const noexcept { return *m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }
    std::int32_t Count() const noexcept { return m_pCount ? m_pCount->load(std::memory_order_relaxed) : 0; }

private:
    static Counter* NewCount(T* p)
    {
        try {
            return ::new (AllocateSmall(sizeof(Counter), alignof(Counter))) Counter(1);
        } catch (...) {
            delete p;
            throw;
        }
    }

    T* m_p = nullptr;
    Counter* m_pCount = nullptr;
};

// Growable array of holders (RefCount or SmartPtr) that grows by GrowCapacity; on growth the
// holders are moved, so no count changes. Growth never gives fewer than 16 slots, which is most
// of the memory of a tree whose nodes have a few children each: ShrinkToFit moves a finished
// array into exactly as many slots, a short one carved as a small object.
//
// A holder is one or two plain pointers, so a grown array moves by realloc, which for a large
// array remaps its pages instead of holding the old and the new array at once. Sizes are 32-bit
// like every offset of the library, which keeps a tree node's child array at 16 bytes.
template <class T, class Holder = RefCount<T>>
class RefCountVector {
public:
    RefCountVector() = default;
    RefCountVector(const RefCountVector&) = delete;
    RefCountVector& operator=(const RefCountVector&) = delete;
    RefCountVector(RefCountVector&& other) noexcept
        : m_pBegin(std::exchange(other.m_pBegin, nullptr)), m_uSize(std::exchange(other.m_uSize, 0)),
          m_uCapacity(std::exchange(other.m_uCapacity, 0)) {}
    ~RefCountVector()
    {
        clear();
        Release(m_pBegin, m_uCapacity);
    }

    void push_back(Holder holder)
    {
        if (m_uSize == m_uCapacity) Grow();
        ::new (static_cast<void*>(m_pBegin + m_uSize)) Holder(std::move(holder));
        ++m_uSize;
    }
    void pop_back() noexcept { m_pBegin[--m_uSize].~Holder(); }
    // Drops every holder from index `count` on.
    void truncate(std::size_t count) noexcept
    {
        while (size() > count) pop_back();
    }
    void clear() noexcept { truncate(0); }
    // Room for `slots` holders without growing, fewer than 16 carved as a small object: an array
    // whose final length is known is made in one step.
    void reserve(std::size_t slots)
    {
        if (slots > capacity()) MoveToNew(slots);
    }
    // For an array that will not grow again; one that grows later simply grows from its size.
    void ShrinkToFit()
    {
        if (m_uSize != m_uCapacity) MoveToNew(m_uSize);
    }

    std::size_t size() const noexcept { return m_uSize; }
    std::size_t capacity() const noexcept { return m_uCapacity; }
    bool empty() const noexcept { return m_uSize == 0; }
    Holder& operator[](std::size_t i) noexcept { return m_pBegin[i]; }
    const Holder& operator[](std::size_t i) const noexcept { return m_pBegin[i]; }
    Holder& back() noexcept { return m_pBegin[m_uSize - 1]; }
    const Holder& back() const noexcept { return m_pBegin[m_uSize - 1]; }
    Holder* begin() noexcept { return m_pBegin; }
    Holder* end() noexcept { return m_pBegin + m_uSize; }
    const Holder* begin() const noexcept { return m_pBegin; }
    const Holder* end() const noexcept { return m_pBegin + m_uSize; }

private:
    static constexpr std::size_t SMALL = 16;  // GrowCapacity(0): shorter arrays were shrunk

    void Grow()
    {
        const std::size_t capacity = GrowCapacity(m_uSize);
        if (m_uCapacity < SMALL) return MoveToNew(capacity);
        if (capacity > UINT32_MAX) throw std::bad_alloc();
        Holder* fresh = static_cast<Holder*>(std::realloc(static_cast<void*>(m_pBegin), capacity * sizeof(Holder)));
        if (fresh == nullptr) throw std::bad_alloc();
        m_pBegin = fresh;
        m_uCapacity = static_cast<std::uint32_t>(capacity);
    }

    // Moves the holders into a fresh array of `slots` (at least size()).
    void MoveToNew(std::size_t slots)
    {
        if (slots > UINT32_MAX) throw std::bad_alloc();
        Holder* fresh = Allocate(slots);
        MoveInto(fresh);
        Release(m_pBegin, m_uCapacity);
        m_pBegin = fresh;
        m_uCapacity = static_cast<std::uint32_t>(slots);
    }

    void MoveInto(Holder* fresh) noexcept
    {
        for (std::uint32_t i = 0; i < m_uSize; ++i) {
            ::new (static_cast<void*>(fresh + i)) Holder(std::move(m_pBegin[i]));
            m_pBegin[i].~Holder();
        }
    }

    static Holder* Allocate(std::size_t slots)
    {
        if (slots == 0) return nullptr;
        const std::size_t bytes = slots * sizeof(Holder);
        void* array = slots < SMALL ? AllocateSmall(bytes, alignof(Holder)) : std::malloc(bytes);
        if (array == nullptr) throw std::bad_alloc();
        return static_cast<Holder*>(array);
    }
    static void Release(Holder* array, std::size_t capacity) noexcept
    {
        if (capacity < SMALL) FreeSmall(array);
        else std::free(array);
    }

    Holder* m_pBegin = nullptr;
    std::uint32_t m_uSize = 0;
    std::uint32_t m_uCapacity = 0;
};

} // namespace VEK
