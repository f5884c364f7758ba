#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include <VEKParser/VEKParser.h>

TEST(RefCountVector, GrowsByDoublingThenByAQuarter)
{
    VEK::RefCountVector<int> vector;
    std::vector<std::size_t> capacities;
    for (int i = 0; i < 1000; ++i) {
        if (vector.size() == vector.capacity()) capacities.push_back(VEK::GrowCapacity(vector.size()));
        vector.push_back(VEK::RefCount<int>(new int(i)));
    }
    EXPECT_EQ(vector.capacity(), 1000u);
    EXPECT_EQ(*vector[999], 999);
    EXPECT_EQ((std::vector<std::size_t>{16, 32, 64, 128, 256, 512, 640, 800, 1000}), capacities);
}

// A gathered array goes down at its length after what the array held, its holders moved; the
// scratch keeps its slots for the next one unless it was long and taken over whole.
TEST(RefCountVector, AdoptsAGatheredArrayAtItsLength)
{
    struct Case {
        int held;
        int gathered;
        std::size_t scratchKeeps;
    };
    for (const Case c : {Case{0, 3, 16}, Case{1, 3, 16}, Case{0, 2000, 0}}) {
        VEK::RefCountVector<int> array;
        VEK::RefCountVector<int> scratch;
        for (int i = 0; i < c.held; ++i) array.push_back(VEK::RefCount<int>(new int(i)));
        array.ShrinkToFit();
        for (int i = c.held; i < c.held + c.gathered; ++i) scratch.push_back(VEK::RefCount<int>(new int(i)));
        const VEK::RefCount<int> first = scratch[0];
        array.Adopt(scratch);
        const auto total = static_cast<std::size_t>(c.held + c.gathered);
        EXPECT_EQ(array.size(), total);
        EXPECT_EQ(array.capacity(), total);
        for (std::size_t i = 0; i < total; ++i) EXPECT_EQ(*array[i], static_cast<int>(i));
        EXPECT_EQ(first.Count(), 2);
        EXPECT_TRUE(scratch.empty());
        EXPECT_EQ(scratch.capacity(), c.scratchKeeps);
    }
}

// Holders made with their object, handed a pointer, and made too large or too aligned to be
// carved: each counts its copies from 1 and destroys its object once, with the last holder.
template <class Object>
void ExpectSharedOnce(std::function<VEK::RefCount<Object>()> make)
{
    int destroyed = 0;
    {
        VEK::RefCount<Object> first = make();
        first->m_pDestroyed = &destroyed;
        EXPECT_EQ(first.Count(), 1);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(first.Get()) % alignof(Object), 0u);
        VEK::RefCount<Object> second = first;
        EXPECT_EQ(second.Get(), first.Get());
        EXPECT_EQ(&*second, first.operator->());
        EXPECT_EQ(first.Count(), 2);
        first.Reset();
        EXPECT_FALSE(first);
        EXPECT_EQ(first.Count(), 0);
        EXPECT_EQ(second.Count(), 1);
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 1);
}

template <std::size_t Size, std::size_t Alignment>
struct alignas(Alignment) Counted {
    ~Counted() { ++*m_pDestroyed; }
    int* m_pDestroyed = nullptr;
    char m_Payload[Size] = {};
};

TEST(RefCount, MadeAndHandedObjectsAreSharedAlike)
{
    ExpectSharedOnce<Counted<56, 8>>([] { return VEK::MakeRefCount<Counted<56, 8>>(); });
    ExpectSharedOnce<Counted<56, 8>>([] { return VEK::RefCount<Counted<56, 8>>(new Counted<56, 8>); });
    ExpectSharedOnce<Counted<4096, 8>>([] { return VEK::MakeRefCount<Counted<4096, 8>>(); });
    ExpectSharedOnce<Counted<8, 64>>([] { return VEK::MakeRefCount<Counted<8, 64>>(); });
}

TEST(StringFunctions, BeautifyLowerStripAndDigits)
{
    std::string out = "keep";
    VEK::BeautifyString(std::string(" a \t\n b  "), out, false, true);
    EXPECT_EQ(out, "keep a b ");
    VEK::BeautifyString(std::string(" a \t\n b  "), out, true, false);
    EXPECT_EQ(out, "a b");
    VEK::BeautifyString(std::string(" \r\n "), out, false, false);
    EXPECT_EQ(out, " ");
    VEK::WString wide;
    VEK::BeautifyString(VEK::Widen("  x  y "), wide, true, true);
    EXPECT_EQ(wide, VEK::Widen("x y"));
    // Runs of eight units and more without white space pass eight at a time.
    wide = VEK::Widen("keep  a \t\n b  abcdefghij  klmnopqrstuvwxyz\x01\t0123456789 ");
    VEK::BeautifyTail(wide, 4);
    EXPECT_EQ(wide, VEK::Widen("keepa b abcdefghij klmnopqrstuvwxyz\x01 0123456789"));
    VEK::BeautifyString(VEK::Widen("abcdefghij   klmnopqrs "), wide, false, false);
    EXPECT_EQ(wide, VEK::Widen("abcdefghij klmnopqrs "));
    // Words with single blanks pass eight units at a time too, and a tidy tail is left alone: the
    // 16-bit clean-up agrees with the byte one, which looks at one unit at a time, on every start
    // and length of a mixed text.
    const std::string mixed = " ab cd  efghijklm n o\tpq rstu \x01 vw xyzab cdefghi j  ";
    for (std::size_t from = 0; from < mixed.size(); ++from)
        for (std::size_t length = 0; from + length <= mixed.size(); ++length)
            for (const bool trim : {false, true}) {
                const std::string piece = mixed.substr(from, length);
                std::string narrow;
                VEK::BeautifyString(piece, narrow, trim, false);
                VEK::BeautifyString(VEK::Widen(piece.c_str()), wide, trim, false);
                EXPECT_EQ(wide, VEK::Widen(narrow.c_str())) << piece << trim;
                if (!trim) continue;
                wide = VEK::Widen(("kept" + piece).c_str());
                VEK::BeautifyTail(wide, 4);
                EXPECT_EQ(wide, VEK::Widen(("kept" + narrow).c_str())) << piece;
            }

    EXPECT_EQ(VEK::ToLower("AbC\xC4"), "abc\xC4");
    std::string blanks = " \t v a \n";
    VEK::StripLeadingBlanks(blanks);
    VEK::StripTrailingBlanks(blanks);
    EXPECT_EQ(blanks, "v a");

    EXPECT_EQ(VEK::StringToInt("0233", 4, 10), 233);
    EXPECT_EQ(VEK::StringToInt("fF", 2, 16), 255);
    EXPECT_EQ(VEK::StringToInt("2147483647", 10, 10), 2147483647);
    EXPECT_EQ(VEK::StringToInt("9999999999", 10, 10), 0) << "overflow yields 0";
    EXPECT_EQ(VEK::StringToInt("12a", 3, 10), 0);

    EXPECT_TRUE(VEK::NoCase::IsEqual("</TITLE", "</title"));
    EXPECT_TRUE(VEK::NoCase()("Author", "KEYWORDS"));
    EXPECT_FALSE(VEK::NoCase()("b", "A"));
}

TEST(DateTime, ReadsTheFormatsOfCertificates)
{
    EXPECT_EQ(VEK::DateTime("700101000001", "%y%m%d%H%M%S").Value(), 1u);
    EXPECT_EQ(VEK::DateTime("4912312359", "%y%m%d%H%M").ToString(), "2049-12-31 23:59:00");
    EXPECT_EQ(VEK::DateTime("20380119031408", "%Y%m%d%H%M%S").Value(), 2147483648u);
    EXPECT_EQ(VEK::DateTime("990228120000", "%y%m%d%H%M%S").ToString(), "1999-02-28 12:00:00");
    EXPECT_EQ(VEK::DateTime("990229120000", "%y%m%d%H%M%S").Value(), 0u) << "no 29 February in 1999";
    EXPECT_EQ(VEK::DateTime("21100101000000", "%Y%m%d%H%M%S").Value(), 0u) << "beyond 32 bits";
    EXPECT_EQ(VEK::DateTime("1a0101000000", "%y%m%d%H%M%S").Value(), 0u);
}

TEST(BitVector, ResizeKeepsStorageCanonical)
{
    VEK::BitVector bits;
    bits.resize(16, false);
    bits.data()[0] = 0xA5;
    bits.data()[1] = 0xFF;
    bits.resize(12);
    EXPECT_EQ(bits.size(), 12u);
    EXPECT_EQ(bits.data()[1], 0xF0);
    EXPECT_TRUE(bits[0]);
    EXPECT_FALSE(bits[1]);
    bits.resize(14, true);
    EXPECT_EQ(bits.data()[1], 0xFC);
}

TEST(CriticalSection, BuildsOnceUnderContention)
{
    VEKThread::CriticalSection lock(4000);
    std::atomic<bool> built{false};
    std::atomic<int> builds{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&] { VEKThread::OnceUnder(lock, built, [&] { ++builds; }); });
    for (auto& t : threads) t.join();
    EXPECT_EQ(builds.load(), 1);
}

TEST(MemoryPool, ZeroBytesYieldNull)
{
    struct Pooled : VEKMem::PoolAllocated {
        int value = 7;
    };
    EXPECT_EQ(VEKMem::PoolAllocated::operator new(0), nullptr);
    Pooled* p = new Pooled;
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->value, 7);
    delete p;
}
