#pragma once

#include <cstddef>

#include <VEKParser/Export.h>

namespace VEKMem {

// The library's source of memory. New returns null when no memory is left.
class VEKPARSER_API MemoryPool {
public:
    static void* New(std::size_t size) noexcept;
    static void Delete(void* block) noexcept;
};

// The library's allocation operators for its own objects: a request of zero bytes yields null;
// when the pool yields null the installed new-handler, if any, is called once and the request
// yields null (new-expressions then skip the constructor).
struct VEKPARSER_API PoolAllocated {
    static void* operator new(std::size_t size) noexcept;
    static void* operator new[](std::size_t size) noexcept;
    static void operator delete(void* block) noexcept;
    static void operator delete[](void* block) noexcept;
};

} // namespace VEKMem
