// Small objects come from per-thread slabs that must go back to the system exactly when their
// last object is freed, whichever thread frees it and whether or not its thread still runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <thread>
#include <vector>

#include <VEKParser/host/RefCount.h>
#include <VEKParser/host/SmallObjects.h>

#include "tests/hardening/CountingAllocator.h"

namespace {

constexpr int kObjects = 100000;  // several slabs' worth

std::vector<VEK::RefCount<int>> MakeCounts(int count)
{
    std::vector<VEK::RefCount<int>> made;
    made.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) made.emplace_back(new int(i));
    return made;
}

// Dropped one by one, or in batches (nested, as a tree's destructors open them), which hand
// the slabs back when the outermost one ends.
TEST(SmallObjects, SlabsOfAnEndedThreadAreFreedByTheThreadThatDropsTheirObjects)
{
    for (const int batches : {0, 1, 2}) {
        const std::size_t before = CountingAllocator::Current();
        std::vector<VEK::RefCount<int>> made;
        std::thread([&] { made = MakeCounts(kObjects); }).join();
        EXPECT_GT(CountingAllocator::Current(), before);
        for (int i = 0; i < kObjects; i += 997) EXPECT_EQ(*made[static_cast<std::size_t>(i)], i);
        {
            std::vector<std::optional<VEK::SmallFreeBatch>> open(static_cast<std::size_t>(batches));
            for (auto& batch : open) batch.emplace();
            std::vector<VEK::RefCount<int>>().swap(made);
        }
        // The runtime keeps a few hundred bytes of its own per thread; a slab is 64 KiB.
        EXPECT_LT(CountingAllocator::Current(), before + 4096) << batches;
    }
}

TEST(SmallObjects, ARunningThreadKeepsOnlyItsCurrentSlab)
{
    std::thread([] {
        const std::size_t before = CountingAllocator::Current();
        MakeCounts(kObjects);  // about six slabs of counts
        // The current slab, and room for the runtime's own per-thread blocks.
        EXPECT_LT(CountingAllocator::Current(), before + 3 * 64 * 1024);
    }).join();
}

// The slab a thread carves from is carved again from its start once every object of it has been
// freed on that thread, never while one is alive or was freed by another thread.
TEST(SmallObjects, ASlabIsCarvedAgainOnlyWhenAllItsObjectsAreFreedOnItsThread)
{
    std::thread([] {
        void* first = VEK::AllocateSmall(32, 8);
        void* second = VEK::AllocateSmall(32, 8);
        VEK::FreeSmall(first);
        void* third = VEK::AllocateSmall(32, 8);
        EXPECT_NE(third, first);
        VEK::FreeSmall(second);
        VEK::FreeSmall(third);
        void* again = VEK::AllocateSmall(32, 8);
        EXPECT_EQ(again, first);
        std::thread([again] { VEK::FreeSmall(again); }).join();
        VEK::FreeSmall(VEK::AllocateSmall(32, 8));
        void* last = VEK::AllocateSmall(32, 8);
        EXPECT_NE(last, first);
        VEK::FreeSmall(last);
    }).join();
}

// Small and larger alignments are carved from opposite ends of a slab; across several slabs no
// two objects may overlap.
TEST(SmallObjects, MixedObjectsAreAlignedAndApart)
{
    struct Made {
        unsigned char* block;
        std::size_t size;
    };
    std::vector<Made> made;
    const std::size_t alignments[] = {1, 2, 4, 8, 16};
    for (std::size_t i = 0; i < 20000; ++i) {
        const std::size_t alignment = alignments[i % 5], size = 1 + i % 97;
        auto* block = static_cast<unsigned char*>(VEK::AllocateSmall(size, alignment));
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % alignment, 0u) << alignment;
        std::fill_n(block, size, static_cast<unsigned char>(i));
        made.push_back({block, size});
    }
    for (std::size_t i = 0; i < made.size(); ++i) {
        const auto mark = static_cast<unsigned char>(i);
        const auto intact = [&](unsigned char c) { return c == mark; };
        EXPECT_TRUE(std::all_of(made[i].block, made[i].block + made[i].size, intact)) << i;
        VEK::FreeSmall(made[i].block);
    }
}

// A shrunk array holds exactly its elements, frees the same way and grows again when pushed to;
// on a thread of its own, so that everything must be back once the thread has ended.
TEST(RefCountVector, ShrinksShortArraysAndGrowsAgainFromTheirSize)
{
    const std::size_t before = CountingAllocator::Current();
    std::thread([] {
        VEK::RefCountVector<int> vector;
        for (int i = 0; i < 5; ++i) vector.push_back(VEK::RefCount<int>(new int(i)));
        vector.ShrinkToFit();
        EXPECT_EQ(vector.capacity(), 5u);
        vector.push_back(VEK::RefCount<int>(new int(5)));
        EXPECT_EQ(vector.capacity(), 16u);
        for (int i = 0; i < 6; ++i) EXPECT_EQ(*vector[static_cast<std::size_t>(i)], i);
        vector.truncate(0);
        vector.ShrinkToFit();
        EXPECT_EQ(vector.capacity(), 0u);

        VEK::RefCountVector<int> longer;  // from the system's heap, and back to it
        for (int i = 0; i < 17; ++i) longer.push_back(VEK::RefCount<int>(new int(i)));
        longer.ShrinkToFit();
        EXPECT_EQ(longer.capacity(), 17u);
        longer.push_back(VEK::RefCount<int>(new int(17)));
        EXPECT_EQ(longer.capacity(), 34u);
    }).join();
    EXPECT_LT(CountingAllocator::Current(), before + 4096);
}

} // namespace
