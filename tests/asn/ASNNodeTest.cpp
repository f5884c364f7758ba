#include <gtest/gtest.h>

#include <cstdint>
#include <thread>

#include <VEKParser/asn/ASNNode.h>
#include <VEKParser/asn/ASNTree.h>

#include "tests/asn/ParseBytes.h"

using namespace VEKParser;

namespace {

VEK::SmartPtr<BaseASNNode> IntegerNode(std::int64_t value)
{
    return new PrimitiveASNNode<std::int64_t>(-1, value, Integer);
}

// The text a wrong-kind accessor throws, or null when it throws nothing.
template <class Call>
const char* WrongTypeText(Call call)
{
    try {
        call();
    } catch (const char* text) {
        return text;
    }
    return nullptr;
}

} // namespace

TEST(ASNNodeTest, AccessorsOfTheOtherKindThrowTheWrongTypeText)
{
    const VEK::SmartPtr<BaseASNNode> constructed = new ConstructedASNNode(3);
    const VEK::SmartPtr<BaseASNNode> primitive = IntegerNode(1);
    const char* expected = "Function called on wrong node type!";
    EXPECT_STREQ(WrongTypeText([&] { constructed->GetValueType(); }), expected);
    EXPECT_STREQ(WrongTypeText([&] { primitive->HasChildren(); }), expected);
    EXPECT_STREQ(WrongTypeText([&] { primitive->NumberOfChildren(); }), expected);
    EXPECT_STREQ(WrongTypeText([&] { primitive->GetChild(0); }), expected);
    EXPECT_STREQ(WrongTypeText([&] { primitive->AddChild(constructed); }), expected);
    EXPECT_EQ(constructed->GetTag(), 3);
    EXPECT_FALSE(constructed->HasChildren());
}

TEST(ASNNodeTest, ResetReleasesTheArrayAndKeepsHeldNodes)
{
    ASNTree tree;
    for (int i = 0; i < 700; ++i) tree.AddNode(IntegerNode(i));
    tree.AddNode(nullptr);
    EXPECT_FALSE(tree.GetNode(700));
    const VEK::SmartPtr<BaseASNNode> held = tree.GetNode(5);
    EXPECT_EQ(held->NbRef(), 2);
    tree.Reset();
    EXPECT_TRUE(tree.IsEmpty());
    EXPECT_EQ(tree.Capacity(), 0u);
    EXPECT_EQ(held->NbRef(), 1);
    EXPECT_EQ(static_cast<const PrimitiveASNNode<std::int64_t>&>(*held).GetValue(), 5);
}

TEST(ASNNodeTest, DeepChainsAreReleasedWithoutRecursion)
{
    // Deeper than any stack could hold one destructor frame per level.
    VEK::SmartPtr<BaseASNNode> root = new ConstructedASNNode();
    VEK::SmartPtr<BaseASNNode> kept;
    BaseASNNode* last = root.Get();
    for (int i = 0; i < 300'000; ++i) {
        VEK::SmartPtr<BaseASNNode> child = new ConstructedASNNode();
        last->AddChild(child);
        last->AddChild(IntegerNode(i));
        if (i == 1000) kept = child;
        last = child.Get();
    }
    root = nullptr;
    // A node still held elsewhere survives with its own subtree.
    ASSERT_EQ(kept->NumberOfChildren(), 2);
    EXPECT_EQ(kept->GetChild(0)->NumberOfChildren(), 2);
}

// A tree made on one thread and released on another, frees batched per slab, while a node stays
// held on a third: the held node keeps its subtree.
TEST(ASNNodeTest, TreesMadeOnOneThreadAreReleasedOnAnother)
{
    constexpr int kValues = 3000;
    Bytes der = {0x30, 0x82, (kValues * 5) >> 8, (kValues * 5) & 0xFF};
    for (int i = 0; i < kValues; ++i) der.insert(der.end(), {0x30, 0x03, 0x02, 0x01, static_cast<unsigned char>(i & 0x7F)});
    ASNTree tree;
    std::thread([&] { ParseInto(der, tree); }).join();
    VEK::SmartPtr<BaseASNNode> held = tree.GetNode(0)->GetChild(1234);
    std::thread([&] { tree.Reset(); }).join();
    std::thread([&] { EXPECT_EQ(ValueOf<std::int64_t>(held->GetChild(0)), 1234 & 0x7F); }).join();
}
