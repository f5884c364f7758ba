#include <gtest/gtest.h>

#include <sstream>

#include <VEKParser/VEKParser.h>

using VEKParser::BaseTree;
using VEKParser::BaseTreeNode;

namespace {

class Node : public BaseTreeNode {
public:
    explicit Node(const char* name) : m_sName(VEK::Widen(name)) {}
    void GetDumpText(VEK::WString& text) const override { text = m_sName; }

private:
    VEK::WString m_sName;
};

class Tree : public BaseTree {};

std::string Dump(const BaseTree& tree)
{
    std::basic_ostringstream<unsigned short> out;
    tree.DumpTree(out);
    return VEK::ToUtf8(out.str());
}

} // namespace

TEST(BaseTree, DumpsBranchLines)
{
    VEK::SmartPtr<Tree> tree(new Tree);
    EXPECT_EQ(Dump(*tree), "\n\nTREE IS EMPTY\n\n\n");

    auto root = tree->CreateRootNode(new Node("R"));
    EXPECT_EQ(Dump(*tree), "\nR\n-----------\n\n");
    auto a = root->AddTreeNode(new Node("A"));
    a->AddTreeNode(new Node("A1"))->AddTreeNode(new Node("A11"));
    root->AddTreeNode(new Node("B"));
    EXPECT_EQ(Dump(*tree), "\nR\n-----------\n\n"
                           "|\no-- A\n"
                           "|   |\n|   o-- A1\n"
                           "|       |\n|       o-- A11\n"
                           "|\no-- B\n");
}

TEST(BaseTree, RootAndChildCounts)
{
    VEK::SmartPtr<Tree> tree(new Tree);
    VEK::SmartPtr<BaseTreeNode> root(new Node("R"));
    tree->CreateRootNode(root);
    EXPECT_EQ(root->NbRef(), 2);
    tree->CreateRootNode(root);
    EXPECT_EQ(root->NbRef(), 2) << "the same root again changes nothing";
    EXPECT_FALSE(root->HasChild());
    VEK::SmartPtr<BaseTreeNode> child(new Node("C"));
    EXPECT_EQ(root->AddTreeNode(child), child);
    EXPECT_EQ(root->Size(), 1u);
    EXPECT_TRUE(root->HasChild());
    tree = VEK::SmartPtr<Tree>();
    EXPECT_EQ(root->NbRef(), 1);
    EXPECT_EQ(child->NbRef(), 2) << "a node the caller holds survives its tree";
}

TEST(BaseTree, DeepChainIsDestroyedWithoutRecursion)
{
    VEK::SmartPtr<BaseTreeNode> root(new Node("R"));
    VEK::SmartPtr<BaseTreeNode> tip = root;
    for (int i = 0; i < 1000000; ++i) tip = tip->AddTreeNode(new Node("n"));
    tip = VEK::SmartPtr<BaseTreeNode>();
    root = VEK::SmartPtr<BaseTreeNode>();  // would overflow the stack if destruction recursed
    SUCCEED();
}
