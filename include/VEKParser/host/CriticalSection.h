#pragma once

#include <atomic>
#include <mutex>

#include <VEKParser/Export.h>

namespace VEKThread {

// A lock that spins a while before it sleeps, for sections that are short and rarely contended
// (building a table on first use).
class VEKPARSER_API CriticalSection {
public:
    explicit CriticalSection(unsigned int spinCount = 4000) noexcept : m_uSpinCount(spinCount) {}
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void Enter();
    void Leave() noexcept { m_Mutex.unlock(); }
    bool TryEnter() noexcept { return m_Mutex.try_lock(); }
    unsigned int SpinCount() const noexcept { return m_uSpinCount; }

    // BasicLockable, for std::lock_guard and std::scoped_lock.
    void lock() { Enter(); }
    void unlock() noexcept { Leave(); }

private:
    std::mutex m_Mutex;
    unsigned int m_uSpinCount;
};

// Builds a value exactly once under a critical section, with the double-checked flag; later
// reads take no lock.
template <class Build>
void OnceUnder(CriticalSection& lock, std::atomic<bool>& built, Build&& build)
{
    if (built.load(std::memory_order_acquire)) return;
    std::lock_guard<CriticalSection> guard(lock);
    if (built.load(std::memory_order_relaxed)) return;
    build();
    built.store(true, std::memory_order_release);
}

} // namespace VEKThread
