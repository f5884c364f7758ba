#pragma once

#include <cstdint>
#include <new>

#include <VEKParser/asn/ASNNode.h>
#include <VEKParser/host/MemoryBuffer.h>
#include <VEKParser/host/SmartPtr.h>

namespace VEKParser {

// Builds the node of one primitive value from its contents octets, by tag number. `text` is
// scratch storage for the string types' converted text. Throws ASNException for a bit string
// whose unused-bit count is impossible; end-of-contents is the parser's business, not this.
class ASNPrimitiveDecoder {
public:
    static VEK::SmartPtr<BaseASNNode> Decode(int tagNumber, int explicitTag, VEKFile::MemoryBuffer& content,
                                             VEKFile::MemoryBuffer& text);

    // Big-endian two's complement; octets beyond eight shift the first ones out.
    static std::int64_t TwosComplement(const unsigned char* octets, std::uint32_t count) noexcept;
};

// new for the pool-allocated nodes, which yields null instead of throwing.
template <class Node, class... Args>
VEK::SmartPtr<Node> MakeASNNode(Args&&... args)
{
    Node* node = new Node(static_cast<Args&&>(args)...);
    if (!node) throw std::bad_alloc();
    return node;
}

} // namespace VEKParser
