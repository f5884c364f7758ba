// Decodes arbitrary bytes as BER, in place and through a stream read a few bytes at a time, and
// prints the tree. The first byte picks the read size. Library exceptions are expected; anything
// else, a crash or an inconsistent tree is a finding.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include <VEKParser/asn/ASN.h>
#include <VEKParser/foundation/Exceptions.h>
#include <VEKParser/host/MemoryBuffer.h>

#include "../tests/host/ChunkedStream.h"

namespace {

// Every node lies inside the stream, after its parent's identifier.
void Check(const VEKParser::BaseASNNode& node, std::uint32_t parentOffset, std::size_t size)
{
    const VEKParser::ASNHeader& header = node.GetHeader();
    if (header.m_uOffset + header.m_uHeaderLength > size || header.m_uOffset < parentOffset) std::abort();
    if (const auto* constructed = dynamic_cast<const VEKParser::ConstructedASNNode*>(&node))
        for (const auto* child = constructed->Begin(); child != constructed->End(); ++child)
            Check(**child, header.m_uOffset + 1, size);
}

std::string Decode(VEK::BinaryStreamBufT<unsigned int>& stream, std::size_t size)
{
    VEKParser::ASNTree tree;
    VEKParser::ASNParser parser;
    try {
        parser.Parse(stream, tree);
    } catch (const VEKParser::ASNException&) {
    }
    for (const auto* node = tree.Begin(); node != tree.End(); ++node) Check(**node, 0, size);
    std::ostringstream out;
    VEKParser::PrintASNTree(tree, out);
    return out.str();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    const unsigned int chunk = 1 + data[0] % 16;
    const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    VEKFile::MemoryBuffer memory(bytes.data(), static_cast<unsigned int>(bytes.size()));
    ChunkedStream chunked(bytes, chunk);
    if (Decode(memory, bytes.size()) != Decode(chunked, bytes.size())) std::abort();
    return 0;
}
