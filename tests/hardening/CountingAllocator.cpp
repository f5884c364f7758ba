#include "tests/hardening/CountingAllocator.h"

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>

// glibc's own entry points, which stay reachable when a program defines malloc itself.
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* block);
}

namespace {

std::atomic<std::size_t> s_Current{0};
std::atomic<std::size_t> s_Peak{0};

// The usable size, not the request, so that a block is subtracted exactly as it was added.
void* Counted(void* block) noexcept
{
    if (!block) return block;
    const std::size_t now = s_Current.fetch_add(malloc_usable_size(block), std::memory_order_relaxed) +
                            malloc_usable_size(block);
    std::size_t peak = s_Peak.load(std::memory_order_relaxed);
    while (now > peak && !s_Peak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
    }
    return block;
}

void Uncount(void* block) noexcept
{
    if (block) s_Current.fetch_sub(malloc_usable_size(block), std::memory_order_relaxed);
}

} // namespace

extern "C" {

void* malloc(std::size_t size) { return Counted(__libc_malloc(size)); }

void* calloc(std::size_t count, std::size_t size) { return Counted(__libc_calloc(count, size)); }

void free(void* block)
{
    Uncount(block);
    __libc_free(block);
}

void* realloc(void* block, std::size_t size)
{
    // A failed realloc keeps the old block, so it is uncounted only once the new one exists.
    const std::size_t old = block ? malloc_usable_size(block) : 0;
    void* fresh = __libc_realloc(block, size);
    if (!fresh && size != 0) return nullptr;
    s_Current.fetch_sub(old, std::memory_order_relaxed);
    return Counted(fresh);
}

void* memalign(std::size_t alignment, std::size_t size) { return Counted(__libc_memalign(alignment, size)); }

void* aligned_alloc(std::size_t alignment, std::size_t size) { return memalign(alignment, size); }

int posix_memalign(void** result, std::size_t alignment, std::size_t size)
{
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) return EINVAL;
    void* block = memalign(alignment, size);
    if (!block && size != 0) return ENOMEM;
    *result = block;
    return 0;
}

void* valloc(std::size_t size) { return memalign(static_cast<std::size_t>(sysconf(_SC_PAGESIZE)), size); }

void* pvalloc(std::size_t size)
{
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    return memalign(page, (size + page - 1) / page * page);
}

} // extern "C"

namespace CountingAllocator {

std::size_t Current() noexcept { return s_Current.load(std::memory_order_relaxed); }

std::size_t PeakDuring(const std::function<void()>& work)
{
    const std::size_t before = Current();
    s_Peak.store(before, std::memory_order_relaxed);
    work();
    return s_Peak.load(std::memory_order_relaxed) - before;
}

} // namespace CountingAllocator
