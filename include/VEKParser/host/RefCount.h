#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

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
public:
    RefCount() noexcept = default;
    explicit RefCount(T* p) : m_p(p), m_pCount(p ? new std::atomic<std::int32_t>(1) : nullptr) {}
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
            delete m_pCount;
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
    T* m_p = nullptr;
    std::atomic<std::int32_t>* m_pCount = nullptr;
};

// Growable array of holders (RefCount or SmartPtr) that grows by GrowCapacity; on growth the
// holders are moved, so no count changes.
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
        ::operator delete(m_pBegin);
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
        Holder* fresh = static_cast<Holder*>(::operator new(capacity * sizeof(Holder)));
        for (std::size_t i = 0; i < count; ++i) {
            ::new (static_cast<void*>(fresh + i)) Holder(std::move(m_pBegin[i]));
            m_pBegin[i].~Holder();
        }
        ::operator delete(m_pBegin);
        m_pBegin = fresh;
        m_pEnd = fresh + count;
        m_pCapacity = fresh + capacity;
    }

    Holder* m_pBegin = nullptr;
    Holder* m_pEnd = nullptr;
    Holder* m_pCapacity = nullptr;
};

} // namespace VEK
