#pragma once

#include <cstdint>
#include <new>

#include <VEKParser/asn/ASNNode.h>
#include <VEKParser/host/MemoryBuffer.h>
#include <VEKParser/host/SmartPtr.h>

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

// new for the pool-allocated nodes, which yields null instead of throwing.
template <class Node, class... Args>
Node* MakeASNNode(Args&&... args)
{
    Node* node = new Node(static_cast<Args&&>(args)...);
    if (!node) throw std::bad_alloc();
    return node;
}

} // namespace VEKParser
