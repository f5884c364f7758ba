#include <VEKParser/html/vocabulary/HtmlKeywordTable.h>

#include <string>

#include <gtest/gtest.h>

namespace {

using namespace VEKParser;

// The begin text of the record ValidateKeyword finds, or "-" when it finds none.
std::string Validated(const HtmlKeywordTable& table, const std::string& text)
{
    VEK::RefCount<KeywordInfo> out;
    const bool ok = table.ValidateKeyword(text.data(), static_cast<unsigned int>(text.size()), out);
    return ok && out ? out->m_sBeginTag : "-";
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

TEST(KeywordTable, ValidateKeywordCutsTheTagTextAtItsNameInEachProfile)
{
    const HtmlKeywordTable byDefault(DEFAULT_PRT), noTag(NOTAG_PRT), changes(CHANGEDETECTOR_PRT);
    const HtmlKeywordTable unknown(static_cast<PrtType>(7));
    const struct {
        const HtmlKeywordTable& table;
        std::string text;
        std::string begin;
    } cases[] = {
        {byDefault, "<TITLE>", "<title"},    {byDefault, "<TD align=left", "<td"}, {byDefault, "<td\talign", "<td"},
        {byDefault, "<td\r\nalign", "<td"},  {byDefault, "<!--x", "<!--"},         {byDefault, "<!---->", "<!--"},
        {byDefault, "</P", "</p"},           {byDefault, "</BR", "</br"},          {byDefault, "</p>", "</p"},
        {byDefault, "</title", "-"},         {byDefault, "</td", "-"},             {byDefault, "</pre", "-"},
        {byDefault, "<tablex", "-"},         {byDefault, "<", "-"},                {byDefault, "td", "-"},
        {byDefault, "<" + std::string(69, 'b'), "-"},
        // 70 characters: only the first 64 form the key, so a long name cannot reach a short one.
        {byDefault, "<b" + std::string(68, ' '), "<b"},
        {byDefault, "<" + std::string(63, 'b') + ">", "-"},
        {noTag, "<script type=x", "<script"}, {noTag, "<b", "-"},
        {changes, "<VantorelChanges>", "<vantorelchanges"}, {changes, "<h1", "-"},
        {unknown, "<b", "-"},
    };
    for (const auto& c : cases) EXPECT_EQ(Validated(c.table, c.text), c.begin) << c.text;

    // Only `length` characters are read, even of a longer buffer.
    VEK::RefCount<KeywordInfo> out;
    EXPECT_TRUE(byDefault.ValidateKeyword("<tdxyz", 3, out));
    EXPECT_EQ(out->m_sBeginTag, "<td");
    // A rejected closing text leaves the earlier record; an unknown tag empties it.
    EXPECT_FALSE(byDefault.ValidateKeyword("</td", 4, out));
    EXPECT_TRUE(out);
    EXPECT_FALSE(byDefault.ValidateKeyword("<font", 5, out));
    EXPECT_FALSE(out);
}

TEST(KeywordTable, RecordsCarryTheRowsFlagsAndLowerCaseTexts)
{
    // Most flags show in the shapes of the tree-building tests.
    const HtmlKeywordTable table(DEFAULT_PRT);
    EXPECT_EQ(Record(table, "<meta").m_sEndTag, ">");
    EXPECT_EQ(Record(table, "<?xml").m_sName, "xml");
    EXPECT_EQ(Record(table, "<h1").m_uKeyword & 0x1F00, static_cast<unsigned>(NODE_ATT_EMPHASIS1));
    EXPECT_EQ(Record(table, "<a").m_uKeyword & 0x1F00, static_cast<unsigned>(NODE_ATT_EMPHASIS4));

    const HtmlKeywordTable changes(CHANGEDETECTOR_PRT);
    EXPECT_EQ(Record(changes, "<vantorelchanges").m_sEndTag, "</vantorelchanges");
    EXPECT_TRUE(Record(changes, "<div").m_bEmpty);
    EXPECT_EQ(Record(changes, "<iframe").m_sEndTag, ">");
    EXPECT_FALSE(Record(HtmlKeywordTable(NOTAG_PRT), "<meta").m_bParseMetaInfo);

    // By id, the first row of an id; by text, exactly.
    VEK::RefCount<KeywordInfo> out;
    ASSERT_TRUE(table.FindKeywordInfo(KW_P, out));
    EXPECT_EQ(out->m_sBeginTag, "<p");
    EXPECT_FALSE(table.FindKeywordInfo(KW_TEXT, out));
    EXPECT_FALSE(out);
    EXPECT_FALSE(table.FindKeywordInfo(std::string("<TABLE"), out));
    ASSERT_TRUE(table.FindKeywordInfo(HtmlKeywordTable::m_sMASTER_TABLE_TAG, out));
    EXPECT_TRUE(HtmlKeywordTable::IsKeywordID(*out, KW_TABLE));
    EXPECT_FALSE(HtmlKeywordTable::IsKeywordID(Record(table, "<h1"), KW_H2));
}

TEST(KeywordTable, IsHtmlKeywordMatchesNamePrefixesUpToTheDelimiter)
{
    for (const char* yes : {"<b>", "B", "<FONT>", "/font face=x", "<ta>", "t", "<vantorelquery>"})
        EXPECT_TRUE(HtmlKeywordTable::IsHtmlKeyword(yes)) << yes;
    for (const char* no : {"", "</FONT>", "<ta", "<blink>"}) EXPECT_FALSE(HtmlKeywordTable::IsHtmlKeyword(no)) << no;
}

TEST(KeywordTable, CompareKeywordsRepairsTablesAndEndsKeywordsByTheirTextsAndRules)
{
    const HtmlKeywordTable table(DEFAULT_PRT);
    const struct {
        const char* open;
        std::string text;
        CmpResult result;
    } cases[] = {
        // The table repairs whose results show in the tree-building shapes are left to them.
        {"<tr", "<TD ALIGN=left", CMP_CHILD}, {"<table", "<b", CMP_NONE},  {"<table", "<th", CMP_MISSING},
        {"<td", "<table", CMP_CHILD},         {"<tr", "<tbody", CMP_END},  {"<thead", "<tr", CMP_CHILD},
        {"<tr", "</tr>", CMP_END},            {"<table", "<table", CMP_END},
        // A container keeps table parts inside; other keywords end at them.
        {"<form", "<td", CMP_NONE},    {"<div", "<td", CMP_END},
        {"<li", "<b", CMP_END},        {"<li", "</ul", CMP_END},        {"<meta", "<b", CMP_NONE},
        {"<meta", "</head", CMP_END},  {"<a", "<b", CMP_NONE},          {"<a", "</a", CMP_END},
        {"<a", "</A>", CMP_END},       {"<a", "<a href=x", CMP_END},    {"<a", "</b", CMP_NONE},
        // Prefix tests: the shorter of the two texts decides.
        {"<b", "<br", CMP_END},        {"<b", "<big", CMP_END},         {"<b", "<body", CMP_END},
        {"<p", "<pre", CMP_END},       {"<a", "<", CMP_NONE},           {"<a", "< x", CMP_END},
        // End texts other than "</name", and a closing table part in a keyword with an end text.
        {"<!--", "--", CMP_END},       {"<%", "%>", CMP_END},           {"<div", "</TD", CMP_END},
        // Short and long texts.
        {"<tr", "", CMP_NONE},         {"<div", "<" + std::string(100, 'x'), CMP_NONE},
        {"<tr", "<td" + std::string(100, 'x'), CMP_MISSING},
    };
    for (const auto& c : cases) EXPECT_EQ(Compare(table, c.open, c.text), c.result) << c.open << " " << c.text;

    // The missing level's begin text (seen in the emulated rows and cells of the tree shapes) is
    // written where asked; a result without one leaves it.
    std::string out = "<td";
    EXPECT_EQ(HtmlKeywordTable::CompareKeywords("<td", 1, Record(table, "<tr"), &out), CMP_NONE);
    EXPECT_EQ(out, "<td");
}

} // namespace
