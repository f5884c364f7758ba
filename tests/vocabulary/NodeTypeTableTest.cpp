#include <VEKParser/html/vocabulary/NodeTypeTable.h>

#include <set>

#include <gtest/gtest.h>

namespace {

using namespace VEKNewParser;

NodeTypeEnum Type(const char* name) { return HtmlKeywordTable::GetInstance()->NodeType(VEK::Widen(name)); }

TEST(NodeTypeTable, NamesMapToTheirTypesExactly)
{
    EXPECT_EQ(Type("table"), NT_TABLE);
    EXPECT_EQ(Type("table"), 91);
    EXPECT_EQ(Type("TABLE"), NT_UNKNOWN);
    EXPECT_EQ(Type("subscript"), NT_SUB);
    EXPECT_EQ(Type("superscript"), NT_SUP);
    EXPECT_EQ(Type("?xml:namespace"), NT_XML);
    EXPECT_EQ(Type("!--"), NT_COMMENT);
    EXPECT_EQ(Type("!doctype"), NT_DOCTYPE);
    EXPECT_EQ(Type("input"), NT_INPUT);
    EXPECT_EQ(Type("image"), NT_IMAGE);
    EXPECT_EQ(Type("xmp"), NT_XMP);
    EXPECT_EQ(Type(""), NT_UNKNOWN);
    EXPECT_EQ(Type("tabl"), NT_UNKNOWN);
    EXPECT_EQ(Type("tables"), NT_UNKNOWN);
}

TEST(NodeTypeTable, SpacingOfTypes)
{
    const HtmlKeywordTable* table = HtmlKeywordTable::GetInstance();
    int count = 0;
    for (int type = 0; type <= 255; ++type) count += table->IsSpaceTag(static_cast<NodeTypeEnum>(type)) ? 1 : 0;
    EXPECT_EQ(count, 35);
    EXPECT_FALSE(table->IsSpaceTag(NT_TD, false));
    EXPECT_TRUE(table->IsSpaceTag(NT_TD, true));
    EXPECT_TRUE(table->IsSpaceTag(NT_IMG));
    EXPECT_EQ(table->KeywordPrefixSpaces(NT_IMG), VEK::Widen(" "));
    EXPECT_EQ(table->KeywordPostfixSpaces(NT_UL), VEK::Widen("\n\n"));
    EXPECT_FALSE(table->IsSpaceTag(NT_A));
    EXPECT_FALSE(table->IsSpaceTag(NT_A, true));
    EXPECT_TRUE(table->KeywordPostfixSpaces(NT_A).empty());
}

} // namespace
