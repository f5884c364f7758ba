// The limits below mean something only if the counter sees the heaps the library draws from.
#include <gtest/gtest.h>

#include <string>

#include <VEKParser/host/MemoryPool.h>

#include "tests/hardening/CountingAllocator.h"

namespace {

TEST(CountingAllocator, SeesOperatorNewAndTheHostPool)
{
    constexpr std::size_t MB = 1u << 20;
    EXPECT_GE(CountingAllocator::PeakDuring([] { std::string big(MB, 'x'); }), MB);
    void* block = nullptr;
    EXPECT_GE(CountingAllocator::PeakDuring([&] { block = VEKMem::MemoryPool::New(MB); }), MB);
    const std::size_t held = CountingAllocator::Current();
    VEKMem::MemoryPool::Delete(block);
    EXPECT_GE(held - CountingAllocator::Current(), MB);
}

} // namespace
