#pragma once

#include <atomic>
#include <cstdint>
#include <utility>

namespace VEK {

// A 32-bit count changed only atomically; ++ and -- return the new value.
class InterlockedCounter {
public:
    explicit InterlockedCounter(std::int32_t value = 0) noexcept : m_nValue(value) {}
    std::int32_t operator++() noexcept { return m_nValue.fetch_add(1, std::memory_order_relaxed) + 1; }
    std::int32_t operator--() noexcept { return m_nValue.fetch_sub(1, std::memory_order_acq_rel) - 1; }
    std::int32_t Get() const noexcept { return m_nValue.load(std::memory_order_relaxed); }
    // For an object no other thread can see yet: a plain store, not a locked instruction.
    void Set(std::int32_t value) noexcept { m_nValue.store(value, std::memory_order_relaxed); }
    // The count, ordered after the writes of whoever last changed it.
    std::int32_t GetAcquire() const noexcept { return m_nValue.load(std::memory_order_acquire); }

private:
    std::atomic<std::int32_t> m_nValue;
};

using SPRefCounter = InterlockedCounter;

// Intrusive shared pointer: T supplies AddRef() and Release(); the Release that brings the
// count to zero deletes the object.
template <class T>
class SmartPtr {
public:
    SmartPtr() noexcept = default;
    SmartPtr(T* p) noexcept : m_p(p) { if (m_p) m_p->AddRef(); }
    SmartPtr(const SmartPtr& other) noexcept : SmartPtr(other.m_p) {}
    SmartPtr(SmartPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    template <class U>
    SmartPtr(const SmartPtr<U>& other) noexcept : SmartPtr(other.Get()) {}
    ~SmartPtr() { if (m_p) m_p->Release(); }

    SmartPtr& operator=(SmartPtr other) noexcept
    {
        std::swap(m_p, other.m_p);
        return *this;
    }

    T* Get() const noexcept { return m_p; }
    T* operator->() const noexcept { return m_p; }
    T& operator*() const noexcept { return *m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }
    friend bool operator==(const SmartPtr& a, const SmartPtr& b) noexcept { return a.m_p == b.m_p; }

    // Gives up the reference without releasing it; the caller now owns one count.
    T* Detach() noexcept { return std::exchange(m_p, nullptr); }
    // Takes over one count the caller owns, as Detach gives one up.
    static SmartPtr Adopt(T* p) noexcept
    {
        SmartPtr held;
        held.m_p = p;
        return held;
    }

private:
    T* m_p = nullptr;
};

} // namespace VEK
