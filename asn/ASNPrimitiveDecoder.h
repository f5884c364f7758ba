#pragma once

#include <cstdint>
#include <new>
#include <type_traits>

#include <VEKParser/asn/ASNNode.h>
#include <VEKParser/host/MemoryBuffer.h>
#include <VEKParser/host/SmartPtr.h>

#include "host/SmallObjectsInline.h"

namespace VEKParser {

// The contents octets of one primitive value, wherever they lie.
struct ASNOctets {
    const unsigned char* m_pData = nullptr;
    std::uint32_t m_uSize = 0;
};

// Builds the node of one primitive value from its contents octets, by tag number. Throws
// ASNException for a bit string whose unused-bit count is impossible; end-of-contents is the
// parser's business, not this.
class ASNPrimitiveDecoder {
public:
    // `content` and `text` are scratch streams for the values that are read from a stream (the
    // string types and integers longer than 64 bits); kept by the caller so their storage is reused.
    // The node is new and not counted yet: the caller takes the first handle to it.
    static BaseASNNode* Decode(int tagNumber, int explicitTag, ASNOctets octets, VEKFile::MemoryBuffer& content,
                               VEKFile::MemoryBuffer& text);

    // Big-endian two's complement; octets beyond eight shift the first ones out.
    static std::int64_t TwosComplement(const unsigned char* octets, std::uint32_t count) noexcept;
    // The same of any length, without a stream in between.
    static ASNVLongInt BigInteger(ASNOctets octets) { return ASNVLongInt(ASNVLongInt::Bytes(octets.m_pData, octets.m_uSize)); }

    // The value of a node just made, for decoding straight into it: a value decoded apart and
    // moved in is read back as wide words from the narrow writes that built it, which stalls.
    template <class T>
    static T& ValueOf(PrimitiveASNNode<T>& node) noexcept
    {
        return node.m_Value;
    }
};

// A node carved from the thread's slab of small objects, inline: the class's operator new is a
// call away, and every node class is small.
template <class Node, class... Args>
Node* MakeASNNode(Args&&... args)
{
    static_assert(sizeof(Node) <= 1024 && alignof(Node) <= 8, "BaseASNNode::operator delete frees it as a small object");
    void* block = VEK::SmallObjects::Allocate(sizeof(Node), alignof(Node));
    if constexpr (std::is_nothrow_constructible_v<Node, Args&&...>) {
        return ::new (block) Node(static_cast<Args&&>(args)...);
    } else {
        try {
            return ::new (block) Node(static_cast<Args&&>(args)...);
        } catch (...) {
            VEK::SmallObjects::Free(block);
            throw;
        }
    }
}

} // namespace VEKParser
