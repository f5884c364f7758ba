// Each table is touched by one test only, and ctest runs every test in a process of its own, so
// the threads below race on the very first use of the table.

#include <latch>
#include <set>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <VEKParser/html/vocabulary/Vocabulary.h>

namespace {

constexpr int kThreads = 8;

// Runs `work(index)` on kThreads threads released at the same moment.
template <class Work>
void Hammer(Work work)
{
    std::latch start(kThreads);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            start.arrive_and_wait();
            work(i);
        });
    }
    for (std::thread& thread : threads) thread.join();
}

TEST(FirstUse, NodeTypeTableIsCreatedOnce)
{
    EXPECT_FALSE(VEKNewParser::HtmlKeywordTable::IsCreated());
    std::vector<const VEKNewParser::HtmlKeywordTable*> seen(kThreads);
    std::vector<VEKNewParser::NodeTypeEnum> types(kThreads);
    Hammer([&](int i) {
        seen[i] = VEKNewParser::HtmlKeywordTable::GetInstance();
        types[i] = seen[i]->NodeType(VEK::Widen("td"));
    });
    EXPECT_TRUE(VEKNewParser::HtmlKeywordTable::IsCreated());
    EXPECT_EQ(std::set<const void*>(seen.begin(), seen.end()).size(), 1u);
    for (const auto type : types) EXPECT_EQ(type, VEKNewParser::NT_TD);
}

TEST(FirstUse, EntitiesAreCreatedOnce)
{
    EXPECT_FALSE(VEKParser::HtmlEntities::IsCreated());
    std::vector<const VEKParser::HtmlEntities*> seen(kThreads);
    std::vector<VEK::WString> texts(kThreads);
    Hammer([&](int i) {
        seen[i] = VEKParser::HtmlEntities::GetInstance();
        seen[i]->Unescape(VEK::Widen("&lt;&#233;"), texts[i]);
    });
    EXPECT_TRUE(VEKParser::HtmlEntities::IsCreated());
    EXPECT_EQ(std::set<const void*>(seen.begin(), seen.end()).size(), 1u);
    for (const auto& text : texts) EXPECT_EQ(text, (VEK::WString{'<', 0xE9}));
}

TEST(FirstUse, NamedCharactersAreBuiltOnce)
{
    std::vector<VEK::WString> texts(kThreads);
    Hammer([&](int i) {
        VEKParser::ExpandCharacterReferences(VEK::CHARSET_UTF8, std::string("&amp;&#150;&mdash"), texts[i], false);
    });
    for (const auto& text : texts) EXPECT_EQ(text, (VEK::WString{'&', 0x2013, 0x2014}));
}

TEST(FirstUse, KeywordPropertiesAreBuiltOnce)
{
    std::vector<const void*> params(kThreads);
    std::vector<int> spaces(kThreads);
    Hammer([&](int i) {
        // Half the threads start with each map, so both builds race with each other too.
        if (i % 2 == 0) {
            params[i] = &VEKParser::HtmlKeywordTable::FindParamInfo(VEKParser::KW_META);
            spaces[i] = VEKParser::HtmlKeywordTable::IsSpaceTag(VEKParser::KW_TD);
        } else {
            spaces[i] = VEKParser::HtmlKeywordTable::IsSpaceTag(VEKParser::KW_TD);
            params[i] = &VEKParser::HtmlKeywordTable::FindParamInfo(VEKParser::KW_META);
        }
    });
    EXPECT_EQ(std::set<const void*>(params.begin(), params.end()).size(), 1u);
    EXPECT_EQ(VEKParser::HtmlKeywordTable::FindParamInfo(VEKParser::KW_META).size(), 10u);
    for (const int space : spaces) EXPECT_EQ(space, 1);
}

TEST(FirstUse, TableStructureOfCompareKeywordsIsBuiltOnce)
{
    const VEKParser::HtmlKeywordTable table(VEKParser::DEFAULT_PRT);
    VEK::RefCount<VEKParser::KeywordInfo> open;
    ASSERT_TRUE(table.FindKeywordInfo(std::string("<table"), open));
    std::vector<VEKParser::CmpResult> results(kThreads);
    std::vector<std::string> emulated(kThreads);
    Hammer([&](int i) { results[i] = VEKParser::HtmlKeywordTable::CompareKeywords("<td", 3, *open, &emulated[i]); });
    for (int i = 0; i < kThreads; ++i) {
        EXPECT_EQ(results[i], VEKParser::CMP_MISSING);
        EXPECT_EQ(emulated[i], "<tr");
    }
}

} // namespace
