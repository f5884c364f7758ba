#include <VEKParser/html/vocabulary/HtmlKeywordTable.h>

#include <gtest/gtest.h>

namespace {

using namespace VEKParser;

VEK::WString W(const char* text) { return VEK::Widen(text); }

TEST(KeywordProperties, SpacingSeparatesBlockKeywords)
{
    EXPECT_TRUE(HtmlKeywordTable::IsSpaceTag(KW_TD));
    EXPECT_EQ(HtmlKeywordTable::KeywordPrefixSpaces(KW_TD), W(""));
    EXPECT_EQ(HtmlKeywordTable::KeywordPostfixSpaces(KW_TD), W("\n"));
    EXPECT_EQ(HtmlKeywordTable::KeywordPrefixSpaces(KW_BLOCKQUOTE), W("\n\n\t"));
    EXPECT_EQ(HtmlKeywordTable::KeywordPostfixSpaces(KW_BLOCKQUOTE), W("\n\n"));
    EXPECT_EQ(HtmlKeywordTable::KeywordPrefixSpaces(KW_OPTION), W("\t"));
    EXPECT_TRUE(HtmlKeywordTable::IsSpaceTag(KW_XMP)) << "spacing without a table row";
    for (const KeywordID id : {KW_A, KW_TITLE, KW_IMG}) EXPECT_FALSE(HtmlKeywordTable::IsSpaceTag(id)) << id;
    EXPECT_TRUE(HtmlKeywordTable::KeywordPrefixSpaces(KW_A).empty());
}

TEST(KeywordProperties, ParametersRetainedPerKeyword)
{
    EXPECT_TRUE(HtmlKeywordTable::FindParamInfo(KW_B).empty());
    EXPECT_EQ(&HtmlKeywordTable::FindParamInfo(KW_B), &HtmlKeywordTable::FindParamInfo(KW_NONE));
    const std::vector<ParamInfo>& meta = HtmlKeywordTable::FindParamInfo(KW_META);
    ASSERT_GT(meta.size(), 1u);
    EXPECT_EQ(meta[1].m_sName, "url");
    EXPECT_EQ(meta[1].m_uType, static_cast<unsigned>(PARAM_LINK | PARAM_REDIRECT));
    EXPECT_EQ(meta.back().m_uHiddenAtt, static_cast<unsigned>(HIDDEN_ATT_KEYWORDS));
    EXPECT_EQ(HtmlKeywordTable::FindParamInfo(KW_A).at(1).m_uHiddenAtt, static_cast<unsigned>(HIDDEN_ATT_CAPTION));
    EXPECT_EQ(HtmlKeywordTable::FindParamInfo(KW_BASE).at(0).m_uType, static_cast<unsigned>(PARAM_BASE_URI));
    EXPECT_EQ(&HtmlKeywordTable::FindParamInfo(KW_META), &meta) << "a reference into the map, never a copy";
}

} // namespace
