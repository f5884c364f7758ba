#include <VEKParser/host/MemoryPool.h>

#include <cstdlib>
#include <new>

namespace VEKMem {

// The system allocator already keeps per-thread caches; the pool is the one place to change
// that should a profile ask for it.
void* MemoryPool::New(std::size_t size) noexcept { return std::malloc(size); }
void MemoryPool::Delete(void* block) noexcept { std::free(block); }

namespace {

void* Allocate(std::size_t size) noexcept
{
    if (size == 0) return nullptr;
    if (void* block = MemoryPool::New(size)) return block;
    if (std::new_handler handler = std::get_new_handler()) {
        try {
            handler();
        } catch (...) {
        }
    }
    return nullptr;
}

} // namespace

void* PoolAllocated::operator new(std::size_t size) noexcept { return Allocate(size); }
void* PoolAllocated::operator new[](std::size_t size) noexcept { return Allocate(size); }
void PoolAllocated::operator delete(void* block) noexcept { MemoryPool::Delete(block); }
void PoolAllocated::operator delete[](void* block) noexcept { MemoryPool::Delete(block); }

} // namespace VEKMem
