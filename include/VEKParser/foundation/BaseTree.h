#pragma once

#include <ostream>

#include <VEKParser/Export.h>
#include <VEKParser/host/HostTypes.h>
#include <VEKParser/host/RefCount.h>
#include <VEKParser/host/SmartPtr.h>

namespace VEKParser {

// Reference-counted node of an ordered tree; derived classes give each node its display text.
class VEKPARSER_API BaseTreeNode {
public:
    using Children = VEK::RefCountVector<BaseTreeNode, VEK::SmartPtr<BaseTreeNode>>;

    virtual ~BaseTreeNode();
    BaseTreeNode(const BaseTreeNode&) = delete;
    BaseTreeNode& operator=(const BaseTreeNode&) = delete;

    // One line of 16-bit text that stands for this node in a dump.
    virtual void GetDumpText(VEK::WString& text) const = 0;
    // Appends `child` and returns a handle to it.
    virtual VEK::SmartPtr<BaseTreeNode> AddTreeNode(VEK::SmartPtr<BaseTreeNode> child);

    long NbRef() const noexcept { return m_Count.Get(); }
    long AddRef() const noexcept { return ++m_Count; }
    long Release() const noexcept;

    bool HasChild() const noexcept { return !m_Children.empty(); }
    unsigned int Size() const noexcept { return static_cast<unsigned int>(m_Children.size()); }
    VEK::SmartPtr<BaseTreeNode>* Begin() noexcept { return m_Children.begin(); }
    VEK::SmartPtr<BaseTreeNode>* End() noexcept { return m_Children.end(); }
    const VEK::SmartPtr<BaseTreeNode>* Begin() const noexcept { return m_Children.begin(); }
    const VEK::SmartPtr<BaseTreeNode>* End() const noexcept { return m_Children.end(); }

protected:
    BaseTreeNode() = default;

private:
    friend class BaseTree;
    mutable VEK::SPRefCounter m_Count;
    Children m_Children;
};

// Reference-counted tree with one root and a text dump.
class VEKPARSER_API BaseTree {
public:
    virtual ~BaseTree();
    BaseTree(const BaseTree&) = delete;
    BaseTree& operator=(const BaseTree&) = delete;

    long NbRef() const noexcept { return m_Count.Get(); }
    long AddRef() const noexcept { return ++m_Count; }
    long Release() const noexcept;

    // Makes `node` the root and returns a handle to it.
    VEK::SmartPtr<BaseTreeNode> CreateRootNode(VEK::SmartPtr<BaseTreeNode> node);
    VEK::SmartPtr<BaseTreeNode> Root() const { return m_pRoot; }

    // Writes the root's text under a rule, then each descendant on a branch line.
    void DumpTree(std::basic_ostream<unsigned short>& out) const;

protected:
    BaseTree() = default;

private:
    void RecursiveDumpTree(const VEK::SmartPtr<BaseTreeNode>* begin, const VEK::SmartPtr<BaseTreeNode>* end,
                           std::basic_ostream<unsigned short>& out, unsigned int& depth) const;

    mutable VEK::SPRefCounter m_Count;
    VEK::SmartPtr<BaseTreeNode> m_pRoot;
};

} // namespace VEKParser
