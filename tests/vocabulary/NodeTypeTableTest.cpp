#include <VEKParser/html/vocabulary/NodeTypeTable.h>

#include <gtest/gtest.h>

namespace {

using namespace VEKNewParser;

TEST(NodeTypeTable, NamesMapToTheirTypesExactly)
{
    const std::pair<const char*, NodeTypeEnum> cases[] = {
        {"table", NT_TABLE},   {"subscript", NT_SUB}, {"superscript", NT_SUP}, {"?xml:namespace", NT_XML},
        {"!--", NT_COMMENT},   {"!doctype", NT_DOCTYPE}, {"input", NT_INPUT}, {"image", NT_IMAGE},
        {"xmp", NT_XMP},       {"TABLE", NT_UNKNOWN}, {"", NT_UNKNOWN},      {"tabl", NT_UNKNOWN},
        {"tables", NT_UNKNOWN},
    };
    for (const auto& [name, type] : cases)
        EXPECT_EQ(HtmlKeywordTable::GetInstance()->NodeType(VEK::Widen(name)), type) << name;
}

TEST(NodeTypeTable, SpacingOfTypes)
{
    const HtmlKeywordTable* table = HtmlKeywordTable::GetInstance();
    EXPECT_FALSE(table->IsSpaceTag(NT_TD, false));
    EXPECT_TRUE(table->IsSpaceTag(NT_TD, true));
    EXPECT_TRUE(table->IsSpaceTag(NT_IMG));
    EXPECT_EQ(table->KeywordPrefixSpaces(NT_IMG), VEK::Widen(" "));
    EXPECT_EQ(table->KeywordPostfixSpaces(NT_UL), VEK::Widen("\n\n"));
    EXPECT_FALSE(table->IsSpaceTag(NT_A, true));
    EXPECT_TRUE(table->KeywordPostfixSpaces(NT_A).empty());
}

} // namespace
