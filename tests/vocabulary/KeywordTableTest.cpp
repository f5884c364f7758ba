#include <VEKParser/html/vocabulary/HtmlKeywordTable.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace {

using namespace VEKParser;

struct Found {
    bool ok;
    std::string begin;
};

Found Validate(const HtmlKeywordTable& table, const std::string& text)
{
    VEK::RefCount<KeywordInfo> out;
    const bool ok = table.ValidateKeyword(text.data(), static_cast<unsigned int>(text.size()), out);
    return {ok, out ? out->m_sBeginTag : std::string()};
}

KeywordInfo Record(const HtmlKeywordTable& table, const std::string& begin)
{
    VEK::RefCount<KeywordInfo> out;
    EXPECT_TRUE(table.FindKeywordInfo(begin, out)) << begin;
    return out ? *out : KeywordInfo();
}

CmpResult Compare(const HtmlKeywordTable& table, const std::string& open, const std::string& text,
                  std::string* out = nullptr)
{
    return HtmlKeywordTable::CompareKeywords(text.data(), static_cast<unsigned int>(text.size()), Record(table, open),
                                             out);
}

TEST(KeywordTable, ProfilesHoldTheirRows)
{
    EXPECT_EQ(HtmlKeywordTable::m_sDEFAULT_SIZE, 66u);
    EXPECT_EQ(HtmlKeywordTable::m_sNOTAG_SIZE, 12u);
    EXPECT_EQ(HtmlKeywordTable::m_sCHANGEDETECTOR_SIZE, 42u);
    EXPECT_EQ(HtmlKeywordTable::m_sALL_TAG_LIST_SIZE, 91u);
    EXPECT_EQ(HtmlKeywordTable::m_sMASTER_TABLE_TAG, "<table");

    // "<p"/"</p" and "<br"/"</br" share their ids.
    const HtmlKeywordTable byDefault(DEFAULT_PRT);
    EXPECT_EQ(byDefault.TextEntryCount(), 66u);
    EXPECT_EQ(byDefault.IdEntryCount(), 64u);
    const HtmlKeywordTable noTag(NOTAG_PRT);
    EXPECT_EQ(noTag.TextEntryCount(), 12u);
    EXPECT_EQ(noTag.IdEntryCount(), 12u);
    const HtmlKeywordTable changes(CHANGEDETECTOR_PRT);
    EXPECT_EQ(changes.TextEntryCount(), 42u);
    EXPECT_EQ(changes.IdEntryCount(), 40u);
    const HtmlKeywordTable unknown(static_cast<PrtType>(7));
    EXPECT_EQ(unknown.TextEntryCount(), 0u);
    EXPECT_FALSE(Validate(unknown, "<b").ok);
}

TEST(KeywordTable, RecordsCarryTheRowsFlagsAndLowerCaseTexts)
{
    const HtmlKeywordTable table(DEFAULT_PRT);
    const KeywordInfo pre = Record(table, "<pre");
    EXPECT_TRUE(pre.m_bHasEndTag && pre.m_bTableContainer && pre.m_bPreformatted);
    EXPECT_FALSE(pre.m_bSkipContent || pre.m_bTable || pre.m_bEmpty || pre.m_bHasParams);
    EXPECT_EQ(pre.m_uKeyword, static_cast<unsigned>(KW_PRE));

    const KeywordInfo meta = Record(table, "<meta");
    EXPECT_TRUE(meta.m_bHasParams && meta.m_bMeta && meta.m_bParseMetaInfo);
    EXPECT_FALSE(meta.m_bHasEndTag);
    EXPECT_EQ(meta.m_sEndTag, ">");

    const KeywordInfo xml = Record(table, "<?xml");
    EXPECT_EQ(xml.m_sName, "xml");
    EXPECT_TRUE(xml.m_bSkipContent && xml.m_bHasEndTag);

    const KeywordInfo td = Record(table, "<td");
    EXPECT_TRUE(td.m_bTableChild);
    EXPECT_FALSE(td.m_bHasEndTag || td.m_bTableContainer);
    EXPECT_EQ(Record(table, "<h1").m_uKeyword & 0x1F00, static_cast<unsigned>(NODE_ATT_EMPHASIS1));
    EXPECT_EQ(Record(table, "<a").m_uKeyword & 0x1F00, static_cast<unsigned>(NODE_ATT_EMPHASIS4));
    EXPECT_TRUE(Record(table, "<table").m_bTable);

    const HtmlKeywordTable changes(CHANGEDETECTOR_PRT);
    EXPECT_EQ(Record(changes, "<a").m_uKeyword, static_cast<unsigned>(KW_A));
    const KeywordInfo vantorel = Record(changes, "<vantorelchanges");
    EXPECT_EQ(vantorel.m_sName, "vantorelchanges");
    EXPECT_EQ(vantorel.m_sEndTag, "</vantorelchanges");
    EXPECT_TRUE(Record(changes, "<div").m_bEmpty);
    EXPECT_FALSE(Record(changes, "<!--").m_bSkipContent);
    EXPECT_EQ(Record(changes, "<iframe").m_sEndTag, ">");
    EXPECT_FALSE(Record(HtmlKeywordTable(NOTAG_PRT), "<meta").m_bParseMetaInfo);
}

TEST(KeywordTable, FindKeywordInfoByIdKeepsTheFirstRowOfAnId)
{
    const HtmlKeywordTable table(DEFAULT_PRT);
    VEK::RefCount<KeywordInfo> out;
    ASSERT_TRUE(table.FindKeywordInfo(KW_P, out));
    EXPECT_EQ(out->m_sBeginTag, "<p");
    ASSERT_TRUE(table.FindKeywordInfo(KW_BR, out));
    EXPECT_EQ(out->m_sBeginTag, "<br");
    ASSERT_TRUE(table.FindKeywordInfo(KW_MENU, out));
    EXPECT_EQ(out->m_sBeginTag, "<menu");
    EXPECT_FALSE(table.FindKeywordInfo(KW_TEXT, out));
    EXPECT_FALSE(out);
    EXPECT_FALSE(table.FindKeywordInfo(std::string("<TABLE"), out));
    ASSERT_TRUE(table.FindKeywordInfo(HtmlKeywordTable::m_sMASTER_TABLE_TAG, out));
    EXPECT_TRUE(HtmlKeywordTable::IsKeywordID(*out, KW_TABLE));
    EXPECT_TRUE(HtmlKeywordTable::IsKeywordID(Record(table, "<h1"), KW_H1));
    EXPECT_FALSE(HtmlKeywordTable::IsKeywordID(Record(table, "<h1"), KW_H2));
}

TEST(KeywordTable, ValidateKeywordCutsTheTagTextAtItsName)
{
    const HtmlKeywordTable table(DEFAULT_PRT);
    EXPECT_EQ(Validate(table, "<TITLE>").begin, "<title");
    EXPECT_EQ(Validate(table, "<TD align=left").begin, "<td");
    EXPECT_EQ(Validate(table, "<td\talign").begin, "<td");
    EXPECT_EQ(Validate(table, "<td\r\nalign").begin, "<td");
    EXPECT_EQ(Validate(table, "<!--x").begin, "<!--");
    EXPECT_EQ(Validate(table, "<!---->").begin, "<!--");
    EXPECT_EQ(Validate(table, "</P").begin, "</p");
    EXPECT_EQ(Validate(table, "</BR").begin, "</br");
    EXPECT_EQ(Validate(table, "</p>").begin, "</p");
    EXPECT_FALSE(Validate(table, "</title").ok);
    EXPECT_FALSE(Validate(table, "</td").ok);
    EXPECT_FALSE(Validate(table, "</pre").ok);
    EXPECT_FALSE(Validate(table, "<tablex").ok);
    EXPECT_FALSE(Validate(table, "<").ok);
    EXPECT_FALSE(Validate(table, "td").ok);
    EXPECT_FALSE(Validate(table, "<" + std::string(69, 'b')).ok);
    // 70 characters: only the first 64 form the key, so a long name cannot reach a short one.
    EXPECT_TRUE(Validate(table, "<b" + std::string(68, ' ')).ok);
    EXPECT_FALSE(Validate(table, "<" + std::string(63, 'b') + ">").ok);

    // Only `length` characters are read, even of a longer buffer.
    VEK::RefCount<KeywordInfo> out;
    EXPECT_TRUE(table.ValidateKeyword("<tdxyz", 3, out));
    EXPECT_EQ(out->m_sBeginTag, "<td");
}

TEST(KeywordTable, ValidateKeywordLeavesOutUntouchedOnlyForNonKeywordTexts)
{
    const HtmlKeywordTable table(DEFAULT_PRT);
    VEK::RefCount<KeywordInfo> out;
    ASSERT_TRUE(table.ValidateKeyword("<b", 2, out));
    EXPECT_FALSE(table.ValidateKeyword("</td", 4, out));
    EXPECT_TRUE(out) << "a rejected closing text leaves the earlier record";
    EXPECT_FALSE(table.ValidateKeyword("<font", 5, out));
    EXPECT_FALSE(out) << "an unknown tag empties the record";
}

TEST(KeywordTable, ProfilesDifferInWhatTheyRecognise)
{
    const HtmlKeywordTable noTag(NOTAG_PRT);
    EXPECT_TRUE(Validate(noTag, "<script type=x").ok);
    EXPECT_FALSE(Validate(noTag, "<b").ok);
    const HtmlKeywordTable changes(CHANGEDETECTOR_PRT);
    EXPECT_EQ(Validate(changes, "<VantorelChanges>").begin, "<vantorelchanges");
    EXPECT_FALSE(Validate(changes, "<h1").ok);
}

TEST(KeywordTable, IsHtmlKeywordMatchesNamePrefixesUpToTheDelimiter)
{
    EXPECT_FALSE(HtmlKeywordTable::IsHtmlKeyword(""));
    EXPECT_TRUE(HtmlKeywordTable::IsHtmlKeyword("<b>"));
    EXPECT_TRUE(HtmlKeywordTable::IsHtmlKeyword("B"));
    EXPECT_TRUE(HtmlKeywordTable::IsHtmlKeyword("<FONT>"));
    EXPECT_TRUE(HtmlKeywordTable::IsHtmlKeyword("/font face=x"));
    EXPECT_FALSE(HtmlKeywordTable::IsHtmlKeyword("</FONT>"));
    EXPECT_TRUE(HtmlKeywordTable::IsHtmlKeyword("<ta>"));
    EXPECT_FALSE(HtmlKeywordTable::IsHtmlKeyword("<ta"));
    EXPECT_TRUE(HtmlKeywordTable::IsHtmlKeyword("t"));
    EXPECT_FALSE(HtmlKeywordTable::IsHtmlKeyword("<blink>"));
    EXPECT_TRUE(HtmlKeywordTable::IsHtmlKeyword("<vantorelquery>"));
}

TEST(KeywordTable, CompareKeywordsRepairsTables)
{
    const HtmlKeywordTable table(DEFAULT_PRT);
    std::string out;
    EXPECT_EQ(Compare(table, "<td", "<tr"), CMP_END);
    EXPECT_EQ(Compare(table, "<tr", "<td"), CMP_CHILD);
    EXPECT_EQ(Compare(table, "<tr", "<TD ALIGN=left"), CMP_CHILD);
    EXPECT_EQ(Compare(table, "<table", "<td", &out), CMP_MISSING);
    EXPECT_EQ(out, "<tr");
    EXPECT_EQ(Compare(table, "<tr", "<b", &out), CMP_MISSING);
    EXPECT_EQ(out, "<td");
    EXPECT_EQ(Compare(table, "<table", "<b"), CMP_NONE) << "the table keyword has its own end text";
    EXPECT_EQ(Compare(table, "<table", "<th"), CMP_MISSING) << "a null out is not written";
    EXPECT_EQ(Compare(table, "<td", "<table"), CMP_CHILD);
    EXPECT_EQ(Compare(table, "<td", "</table"), CMP_END);
    EXPECT_EQ(Compare(table, "<tr", "<tbody"), CMP_END);
    EXPECT_EQ(Compare(table, "<thead", "<tr"), CMP_CHILD);
    EXPECT_EQ(Compare(table, "<tr", "</tr>"), CMP_END);
    EXPECT_EQ(Compare(table, "<table", "<table"), CMP_END);
    EXPECT_EQ(Compare(table, "<td", "<b"), CMP_NONE);
    // A container keeps table parts inside; other keywords end at them.
    EXPECT_EQ(Compare(table, "<form", "<td"), CMP_NONE);
    EXPECT_EQ(Compare(table, "<div", "<td"), CMP_END);
}

TEST(KeywordTable, CompareKeywordsEndsKeywordsByTheirTextsAndRules)
{
    const HtmlKeywordTable table(DEFAULT_PRT);
    EXPECT_EQ(Compare(table, "<li", "<b"), CMP_END);
    EXPECT_EQ(Compare(table, "<li", "</ul"), CMP_END);
    EXPECT_EQ(Compare(table, "<meta", "<b"), CMP_NONE);
    EXPECT_EQ(Compare(table, "<meta", "</head"), CMP_END);
    EXPECT_EQ(Compare(table, "<a", "<b"), CMP_NONE);
    EXPECT_EQ(Compare(table, "<a", "</a"), CMP_END);
    EXPECT_EQ(Compare(table, "<a", "</A>"), CMP_END);
    EXPECT_EQ(Compare(table, "<a", "<a href=x"), CMP_END);
    EXPECT_EQ(Compare(table, "<a", "</b"), CMP_NONE);
    // Prefix tests: the shorter of the two texts decides.
    EXPECT_EQ(Compare(table, "<b", "<br"), CMP_END);
    EXPECT_EQ(Compare(table, "<b", "<big"), CMP_END);
    EXPECT_EQ(Compare(table, "<b", "<body"), CMP_END);
    EXPECT_EQ(Compare(table, "<p", "<pre"), CMP_END);
    EXPECT_EQ(Compare(table, "<a", "<"), CMP_NONE);
    EXPECT_EQ(Compare(table, "<a", "< x"), CMP_END);
}

TEST(KeywordTable, CompareKeywordsOfShortOrLongTexts)
{
    const HtmlKeywordTable table(DEFAULT_PRT);
    std::string out = "unchanged";
    EXPECT_EQ(Compare(table, "<tr", "", &out), CMP_NONE);
    EXPECT_EQ(HtmlKeywordTable::CompareKeywords("<td", 1, Record(table, "<tr"), &out), CMP_NONE);
    EXPECT_EQ(out, "unchanged");
    EXPECT_EQ(Compare(table, "<div", "<" + std::string(100, 'x')), CMP_NONE);
    EXPECT_EQ(Compare(table, "<tr", "<td" + std::string(100, 'x')), CMP_MISSING);
}

} // namespace
