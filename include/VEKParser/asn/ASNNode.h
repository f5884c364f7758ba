#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include <VEKParser/Export.h>
#include <VEKParser/asn/ASNVLongInt.h>
#include <VEKParser/host/BitVector.h>
#include <VEKParser/host/DateTime.h>
#include <VEKParser/host/HostTypes.h>
#include <VEKParser/host/RefCount.h>
#include <VEKParser/host/SmartPtr.h>

namespace VEKParser {

// What a primitive node holds; GetValueType returns one of these codes (0 is not used).
enum ASNValueType {
    BigInteger = 1,
    Integer = 2,
    Null = 3,
    WideString = 4,
    Boolean = 5,
    BitString = 6,
    OctetString = 7,
    Real = 8,
    Time = 9,
    ObjectIdentifier = 10
};

// How one value was framed in the stream: enough to print the value's place or to find its
// octets again.
struct ASNHeader {
    std::uint32_t m_uOffset = 0;        // stream offset of the first identifier octet
    std::uint32_t m_uHeaderLength = 0;  // identifier and length octets
    std::int64_t m_nLength = 0;         // contents length as encoded; INDEFINITE for the 0x80 form
    int m_nClass = 0;                   // 0 universal, 1 application, 2 context-specific, 3 private
    int m_nTagNumber = 0;
    bool m_bConstructed = false;

    static constexpr std::int64_t INDEFINITE = -1;
};

// A decoded BER value, shared through VEK::SmartPtr. The accessors that do not apply to a
// node's kind throw the text "Function called on wrong node type!" (a const char*).
//
// A tree holds a node per value, so a node is kept small: nodes come from the per-thread slabs
// of small objects, the framing is held in 32-bit fields, and the rare parts (the wrapper's
// framing, a length no stream position can reach) in a record of their own.
class VEKPARSER_API BaseASNNode {
public:
    // `explicitTag` is the number of the context-specific tag that wrapped the value, -1 if none.
    explicit BaseASNNode(int explicitTag) noexcept : m_nExplicitTag(explicitTag) {}
    virtual ~BaseASNNode();
    BaseASNNode(const BaseASNNode&) = delete;
    BaseASNNode& operator=(const BaseASNNode&) = delete;

    // Yields null when no memory is left (new-expressions then skip the constructor).
    static void* operator new(std::size_t size) noexcept;
    static void operator delete(void* block, std::size_t size) noexcept;

    virtual bool IsPrimitive() const = 0;
    virtual int GetTag() const;
    virtual int GetValueType() const;
    virtual bool HasChildren() const;
    virtual int NumberOfChildren() const;
    virtual VEK::SmartPtr<BaseASNNode> GetChild(int index);
    virtual void AddChild(const VEK::SmartPtr<BaseASNNode>& child);

    long NbRef() const noexcept { return m_Count.Get(); }
    long AddRef() const noexcept { return ++m_Count; }
    long Release() const noexcept;

    // The value's own framing, and that of the context-specific wrapper when GetTag() is not -1
    // (the wrapper's contents are the value's identifier, length and contents octets).
    ASNHeader GetHeader() const noexcept;
    const ASNHeader& GetWrapperHeader() const noexcept;
    void SetHeaders(const ASNHeader& header, const ASNHeader& wrapper);

protected:
    // The ASNValueType code of a primitive node, kept here where the base has room for it.
    int m_nValueType = 0;

private:
    friend class ConstructedASNNode;
    friend class ASNParser;
    struct Extra;

    // The first count of a node no one holds yet: set to 1, not incremented, as no other thread
    // can see the node.
    static BaseASNNode* Hold(BaseASNNode* fresh) noexcept
    {
        fresh->m_Count.Set(1);
        return fresh;
    }

    // In m_uFlags. The identifier's class and form bits land in the low three bits as they are
    // read: the class is the identifier's top two bits, and its constructed bit (0x20) moved
    // three places down is CONSTRUCTED.
    static constexpr std::uint8_t CLASS_BITS = 0x03;
    static constexpr std::uint8_t CONSTRUCTED = 0x04;       // the value's identifier says constructed
    static constexpr std::uint8_t WRAPPED = 0x08;           // Extra holds a wrapper's framing
    static constexpr std::uint8_t LONG_LENGTH = 0x10;       // Extra holds the length
    static constexpr std::uint8_t CONSTRUCTED_NODE = 0x20;  // a ConstructedASNNode
    // Lengths from 0 to 2^32 - 2 and INDEFINITE fit the 32-bit length field; others (long-form
    // lengths that overflow, which no stream position reaches) go to Extra.
    static constexpr std::uint32_t INDEFINITE_FIELD = 0xFFFFFFFF;

    // The framing of a node just made, from the first identifier octet as read: the parser's
    // path, in as few stores as the fields take.
    void Frame(std::uint32_t offset, std::uint32_t headerLength, int tagNumber, unsigned int identifier,
               std::int64_t length)
    {
        m_uOffset = offset;
        m_uHeaderLength = headerLength;
        m_nTagNumber = tagNumber;
        m_uFlags |= static_cast<std::uint8_t>((identifier >> 6) | ((identifier & 0x20) >> 3));
        if (length >= ASNHeader::INDEFINITE && length < std::int64_t{INDEFINITE_FIELD})
            m_uLength = static_cast<std::uint32_t>(length);
        else
            SetLongLength(length);
    }
    void SetLongLength(std::int64_t length);
    void SetWrapper(const ASNHeader& wrapper);
    // The record of the rare parts, made on first use.
    Extra& GetExtra();

    bool IsConstructedNode() const noexcept { return m_uFlags & CONSTRUCTED_NODE; }

    mutable VEK::SPRefCounter m_Count;
    int m_nExplicitTag;
    // Not in ASNHeader's order: the parser writes a header's offset and identifier-and-length
    // size apart, just before the node is made, and a copy of both to neighbouring fields here
    // would read them as one word, which waits until both writes have reached the cache.
    std::uint32_t m_uOffset = 0;
    std::uint32_t m_uLength = 0;  // see LengthField in ASNNode.cpp
    std::uint32_t m_uHeaderLength = 0;
    int m_nTagNumber = 0;
    std::uint8_t m_uFlags = 0;  // in the room before the pointer, which keeps the node at 48 bytes
    Extra* m_pExtra = nullptr;
};

// A constructed value: its children in stream order.
class VEKPARSER_API ConstructedASNNode : public BaseASNNode {
public:
    explicit ConstructedASNNode(int explicitTag = -1) noexcept : BaseASNNode(explicitTag) { m_uFlags = CONSTRUCTED_NODE; }
    ~ConstructedASNNode() override;

    bool IsPrimitive() const override { return false; }
    bool HasChildren() const override;
    int NumberOfChildren() const override;
    VEK::SmartPtr<BaseASNNode> GetChild(int index) override;
    void AddChild(const VEK::SmartPtr<BaseASNNode>& child) override;
    // Appends, taking over the caller's handle (no count changes).
    void AddChild(VEK::SmartPtr<BaseASNNode>&& child);

    // The children without taking references, for walks over the tree.
    const VEK::SmartPtr<BaseASNNode>* Begin() const noexcept { return m_Children.begin(); }
    const VEK::SmartPtr<BaseASNNode>* End() const noexcept { return m_Children.end(); }

private:
    friend class ASNParser;

    // Nested calls that empty constructed children before they go; see ReleaseChildren.
    static constexpr int RELEASE_DEPTH = 32;
    [[gnu::noinline]] void ReleaseTree() noexcept;
    void ReleaseChildren(int depth) noexcept;
    void TakeOverDeepChildren(ConstructedASNNode& child) noexcept;

    VEK::RefCountVector<BaseASNNode, VEK::SmartPtr<BaseASNNode>> m_Children;
};

// A primitive value of type T with its ASNValueType code.
template <class T>
class VEKPARSER_API PrimitiveASNNode : public BaseASNNode {
public:
    PrimitiveASNNode(int explicitTag, T value, int valueType) noexcept(std::is_nothrow_move_constructible_v<T>)
        : BaseASNNode(explicitTag), m_Value(std::move(value))
    {
        m_nValueType = valueType;
    }
    // The value that `make()` returns, made straight in the node rather than moved there.
    template <class Make>
    PrimitiveASNNode(std::in_place_t, int explicitTag, int valueType, Make&& make) noexcept(noexcept(make()))
        : BaseASNNode(explicitTag), m_Value(make())
    {
        m_nValueType = valueType;
    }
    ~PrimitiveASNNode() override;

    bool IsPrimitive() const override { return true; }
    int GetValueType() const override { return m_nValueType; }
    // A copy of the value.
    virtual T GetValue() const { return m_Value; }
    // The value itself, for readers that need no copy.
    const T& Value() const noexcept { return m_Value; }

private:
    friend class ASNPrimitiveDecoder;  // decodes values straight into their nodes

    T m_Value;
};

extern template class PrimitiveASNNode<std::int64_t>;
extern template class PrimitiveASNNode<bool>;
extern template class PrimitiveASNNode<VEK::BitVector>;
extern template class PrimitiveASNNode<std::string>;
extern template class PrimitiveASNNode<double>;
extern template class PrimitiveASNNode<std::vector<int>>;
extern template class PrimitiveASNNode<VEK::WString>;
extern template class PrimitiveASNNode<VEK::DateTime>;
extern template class PrimitiveASNNode<ASNVLongInt>;

// A UTCTime or GeneralizedTime value, which also keeps the text as written: the date-time
// value cannot show fractions or offsets, and is zero for a text it cannot read.
class VEKPARSER_API ASNTimeNode : public PrimitiveASNNode<VEK::DateTime> {
public:
    ASNTimeNode(int explicitTag, VEK::DateTime value, std::string_view written);
    ~ASNTimeNode() override;

    const std::string& GetWrittenText() const noexcept { return m_sWritten; }

private:
    std::string m_sWritten;
};

} // namespace VEKParser
