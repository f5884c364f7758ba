#include <VEKParser/html/vocabulary/HtmlKeywordTable.h>

#include <gtest/gtest.h>

namespace {

using namespace VEKParser;

VEK::WString W(const char* text) { return VEK::Widen(text); }

TEST(KeywordProperties, SpacingSeparatesBlockKeywords)
{
    int count = 0;
    for (int id = 0; id <= 255; ++id) count += HtmlKeywordTable::IsSpaceTag(static_cast<KeywordID>(id)) ? 1 : 0;
    EXPECT_EQ(count, 34);

    EXPECT_TRUE(HtmlKeywordTable::IsSpaceTag(KW_TD));
    EXPECT_EQ(HtmlKeywordTable::KeywordPrefixSpaces(KW_TD), W(""));
    EXPECT_EQ(HtmlKeywordTable::KeywordPostfixSpaces(KW_TD), W("\n"));
    EXPECT_EQ(HtmlKeywordTable::KeywordPrefixSpaces(KW_BLOCKQUOTE), W("\n\n\t"));
    EXPECT_EQ(HtmlKeywordTable::KeywordPostfixSpaces(KW_BLOCKQUOTE), W("\n\n"));
    EXPECT_EQ(HtmlKeywordTable::KeywordPrefixSpaces(KW_OPTION), W("\t"));
    EXPECT_TRUE(HtmlKeywordTable::IsSpaceTag(KW_XMP)) << "spacing without a table row";
    EXPECT_FALSE(HtmlKeywordTable::IsSpaceTag(KW_A));
    EXPECT_FALSE(HtmlKeywordTable::IsSpaceTag(KW_TITLE));
    EXPECT_FALSE(HtmlKeywordTable::IsSpaceTag(KW_IMG));
    EXPECT_TRUE(HtmlKeywordTable::KeywordPrefixSpaces(KW_A).empty());
}

TEST(KeywordProperties, ParametersRetainedPerKeyword)
{
    EXPECT_TRUE(HtmlKeywordTable::FindParamInfo(KW_B).empty());
    EXPECT_TRUE(HtmlKeywordTable::FindParamInfo(KW_NONE).empty());
    EXPECT_EQ(&HtmlKeywordTable::FindParamInfo(KW_B), &HtmlKeywordTable::FindParamInfo(KW_NONE));

    const std::vector<ParamInfo>& meta = HtmlKeywordTable::FindParamInfo(KW_META);
    ASSERT_EQ(meta.size(), 10u);
    EXPECT_EQ(meta.front().m_sName, "charset");
    EXPECT_EQ(meta.front().m_uType, static_cast<unsigned>(PARAM_CHARSET));
    EXPECT_EQ(meta[1].m_sName, "url");
    EXPECT_EQ(meta[1].m_uType, static_cast<unsigned>(PARAM_LINK | PARAM_REDIRECT));
    EXPECT_EQ(meta.back().m_sName, "dc.keywords");
    EXPECT_EQ(meta.back().m_uHiddenAtt, static_cast<unsigned>(HIDDEN_ATT_KEYWORDS));

    const std::vector<ParamInfo>& a = HtmlKeywordTable::FindParamInfo(KW_A);
    ASSERT_EQ(a.size(), 4u);
    EXPECT_EQ(a[1].m_sName, "alt");
    EXPECT_EQ(a[1].m_uHiddenAtt, static_cast<unsigned>(HIDDEN_ATT_CAPTION));
    EXPECT_EQ(HtmlKeywordTable::FindParamInfo(KW_BASE).at(0).m_uType, static_cast<unsigned>(PARAM_BASE_URI));
    EXPECT_EQ(HtmlKeywordTable::FindParamInfo(KW_TR).size(), 2u);

    int keywordsWithParameters = 0;
    for (int id = 0; id <= 255; ++id) {
        keywordsWithParameters += HtmlKeywordTable::FindParamInfo(static_cast<KeywordID>(id)).empty() ? 0 : 1;
    }
    EXPECT_EQ(keywordsWithParameters, 11);
    EXPECT_EQ(&HtmlKeywordTable::FindParamInfo(KW_META), &meta) << "a reference into the map, never a copy";
}

} // namespace
