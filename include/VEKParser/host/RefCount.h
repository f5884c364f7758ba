#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
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
template <class T, class Holder = RefCount<T>>
class RefCountVector {
public:
    RefCountVector() = default;
    RefCountVector(const RefCountVector&) = delete;
    RefCountVector& operator=(const RefCountVector&) = delete;
    RefCountVector(RefCountVector&& other) noexcept
        : m_pBegin(std::exchange(other.m_pBegin, nullptr)), m_pEnd(std::exchange(other.m_pEnd, nullptr)),
          m_pCapacity(std::exchange(other.m_pCapacity, nullptr)) {}
    ~RefCountVector()
    {
        clear();
        Release(m_pBegin, capacity());
    }

    void push_back(Holder holder)
    {
        if (m_pEnd == m_pCapacity) Grow();
        ::new (static_cast<void*>(m_pEnd)) Holder(std::move(holder));
        ++m_pEnd;
    }
    void pop_back() noexcept { (--m_pEnd)->~Holder(); }
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
        if (slots > capacity()) MoveTo(Allocate(slots), slots);
    }
    // For an array that will not grow again; one that grows later simply grows from its size.
    void ShrinkToFit()
    {
        const std::size_t count = size();
        if (count == capacity()) return;
        MoveTo(Allocate(count), count);
    }

    std::size_t size() const noexcept { return static_cast<std::size_t>(m_pEnd - m_pBegin); }
    std::size_t capacity() const noexcept { return static_cast<std::size_t>(m_pCapacity - m_pBegin); }
    bool empty() const noexcept { return m_pBegin == m_pEnd; }
    Holder& operator[](std::size_t i) noexcept { return m_pBegin[i]; }
    const Holder& operator[](std::size_t i) const noexcept { return m_pBegin[i]; }
    Holder& back() noexcept { return m_pEnd[-1]; }
    const Holder& back() const noexcept { return m_pEnd[-1]; }
    Holder* begin() noexcept { return m_pBegin; }
    Holder* end() noexcept { return m_pEnd; }
    const Holder* begin() const noexcept { return m_pBegin; }
    const Holder* end() const noexcept { return m_pEnd; }

private:
    void Grow()
    {
        const std::size_t count = size();
        const std::size_t capacity = GrowCapacity(count);
        MoveTo(Allocate(capacity), capacity);
    }

    void MoveTo(Holder* fresh, std::size_t slots) noexcept
    {
        const std::size_t count = size();
        for (std::size_t i = 0; i < count; ++i) {
            ::new (static_cast<void*>(fresh + i)) Holder(std::move(m_pBegin[i]));
            m_pBegin[i].~Holder();
        }
        Release(m_pBegin, capacity());
        m_pBegin = fresh;
        m_pEnd = fresh + count;
        m_pCapacity = fresh + slots;
    }

    // Growth gives at least 16 slots, so a shorter array was shrunk into a small object.
    static Holder* Allocate(std::size_t slots)
    {
        if (slots == 0) return nullptr;
        const std::size_t bytes = slots * sizeof(Holder);
        void* array = slots < GrowCapacity(0) ? AllocateSmall(bytes, alignof(Holder)) : ::operator new(bytes);
        return static_cast<Holder*>(array);
    }
    static void Release(Holder* array, std::size_t capacity) noexcept
    {
        if (capacity < GrowCapacity(0)) FreeSmall(array);
        else ::operator delete(array);
    }

    Holder* m_pBegin = nullptr;
    Holder* m_pEnd = nullptr;
    Holder* m_pCapacity = nullptr;
};

} // namespace VEK
