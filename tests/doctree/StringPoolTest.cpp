#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <list>
#include <string>

#include "tests/doctree/ParsedDocument.h"

using VEKParser::StringPool;

namespace {

TEST(StringPool, CacheSharesEqualStrings)
{
    StringPool pool(32768, true, 500);
    const char* first = pool.Store("same", 4, true);
    EXPECT_EQ(pool.Store(std::string("same"), true), first);
    EXPECT_NE(pool.Store("same", 4, false), first) << "without the cache every string is a copy";
    EXPECT_STREQ(first, "same");

    StringPool plain(32768, false, 500);
    EXPECT_NE(plain.Store("x", 1, true), plain.Store("x", 1, true)) << "de-duplication switched off";
    EXPECT_EQ(plain.CacheSize(), 0u);
}

TEST(StringPool, LeastRecentlyUsedEntryIsEvicted)
{
    StringPool pool(32768, true, 2);
    const char* a = pool.Store("a", 1, true);
    const char* b = pool.Store("b", 1, true);
    EXPECT_EQ(pool.Store("a", 1, true), a);
    pool.Store("c", 1, true);
    EXPECT_EQ(pool.CacheSize(), 2u);
    EXPECT_EQ(pool.Store("a", 1, true), a);
    EXPECT_NE(pool.Store("b", 1, true), b) << "b was used least recently";
    pool.ClearCache();
    EXPECT_NE(pool.Store("a", 1, true), a);
    EXPECT_STREQ(a, "a") << "cleared cache, strings stay";
}

// A long run of stores over more strings than the cache holds: every answer agrees with a plain
// least-recently-used list, so evictions keep the index's probe runs whole.
TEST(StringPool, ChurnAgreesWithRecencyList)
{
    constexpr std::size_t kCapacity = 7;
    StringPool pool(32768, true, kCapacity);
    std::list<std::pair<std::string, const char*>> recent;
    std::uint32_t seed = 12345;
    for (int step = 0; step < 20000; ++step) {
        seed = seed * 1103515245u + 12345u;
        const std::string text = "t" + std::to_string((seed >> 16) % 23);
        const auto known = std::find_if(recent.begin(), recent.end(), [&](const auto& e) { return e.first == text; });
        const char* stored = pool.Store(text, true);
        ASSERT_STREQ(stored, text.c_str());
        if (known != recent.end()) {
            ASSERT_EQ(stored, known->second) << "step " << step;
            recent.erase(known);
        } else if (recent.size() == kCapacity) {
            recent.pop_back();
        }
        recent.emplace_front(text, stored);
    }
}

TEST(StringPool, LongStringsGetBlocksOfTheirOwn)
{
    StringPool pool(32768, true, 500);
    const char* a = pool.Store("a", 1, false);
    const std::string big(32768, 'x');
    const char* copy = pool.Store(big, false);
    EXPECT_EQ(pool.BlockCount(), 2u);
    EXPECT_EQ(pool.Store("b", 1, false), a + 2) << "the next short string still goes into the current block";
    EXPECT_EQ(std::strlen(copy), big.size());

    StringPool small(8, false, 0);
    small.Store("1234567", 7, false);  // fills the first block exactly
    const char* nine = small.Store("12345678", 8, false);
    const char* next = small.Store("z", 1, false);
    EXPECT_STREQ(nine, "12345678");
    EXPECT_STREQ(next, "z");
    EXPECT_EQ(small.BlockCount(), 3u) << "a block made for one long string is not written past";
}

TEST(StringPool, NamesAreSharedWithinOneParseOnly)
{
    VEKParser::HtmlDocTree tree(65001);
    doctree_test::ParseInto(tree, "<div>a</div><div>a</div>");
    doctree_test::ParseInto(tree, "<div>a</div>");
    const auto& first = **tree.Begin();
    const auto& second = *tree.Begin()[1];
    EXPECT_EQ((*first.Begin())->GetTagName(), first.Begin()[1]->GetTagName());
    EXPECT_NE((*first.Begin())->GetTagName(), (*second.Begin())->GetTagName()) << "the cache is emptied after a parse";
}

} // namespace
