#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <VEKParser/Export.h>
#include <VEKParser/asn/ASNNode.h>
#include <VEKParser/asn/ASNTree.h>
#include <VEKParser/host/BinaryStream.h>
#include <VEKParser/host/BinaryStreamParser.h>
#include <VEKParser/host/MemoryBuffer.h>
#include <VEKParser/host/SmartPtr.h>

namespace VEKParser {

struct ASNOctets;

// Decodes a stream of BER values (X.690) into an ASNTree, one node per top-level value.
//
// A context-specific tag is unwrapped one level: the value inside becomes the node and keeps
// the tag's number as its explicit tag. Indefinite lengths read up to the matching
// end-of-contents octets, also on such a wrapper.
//
// Failures throw ASNPrematureEOFException (the stream ends inside a value, or a length claims
// more bytes than the stream holds), ASNEOCException (end-of-contents octets where no
// indefinite-length value is open) or ASNException (constructed values nested deeper than
// MAX_DEPTH, an impossible unused-bit count); the nodes appended before a failure stay in the
// tree.
class VEKPARSER_API ASNParser {
public:
    enum PrimitiveOrConstructed { Primitive = 0, Constructed = 1 };

    // Constructed values inside each other, the outermost counting as 1.
    static constexpr int MAX_DEPTH = 256;

    ASNParser();
    ~ASNParser();
    ASNParser(const ASNParser&) = delete;
    ASNParser& operator=(const ASNParser&) = delete;

    // Appends the stream's values to `tree` (which is not emptied first). The stream must
    // outlive the next Parse or the parser.
    void Parse(VEK::BinaryStreamBufT<unsigned int>& stream, ASNTree& tree);

private:
    enum class Outcome { Value, EndOfStream, EndOfContents };

    // One level of values being read: its depth, and the end-of-contents octets it still owes
    // to indefinite-length context-specific wrappers among its values.
    struct Level {
        int m_nDepth = 0;
        int m_nPendingEnds = 0;
    };

    Outcome ReadNextValue(VEK::SmartPtr<BaseASNNode>& out, Level& level);
    // False when the stream ends before the first identifier octet.
    bool ReadIdentifier(int& cls, PrimitiveOrConstructed& pc, int& tag);
    bool ReadIdentifier(ASNHeader& header);
    int ReadHighTagNumber();
    std::int64_t ReadLength();
    std::int64_t ReadLongLength(int count);
    void ReadChildren(ConstructedASNNode& node, std::int64_t length, const Level& parent);
    // Appends a child. A child array is made once at its length: counted before the children
    // are read when the value lies in memory, else its first few children wait in m_Pending
    // until the value ends.
    void AddChild(ConstructedASNNode& node, std::size_t pending, VEK::SmartPtr<BaseASNNode>&& child);
    void FinishChildren(ConstructedASNNode& node, std::size_t pending);
    // Moves over the contents octets and tells where they lie.
    ASNOctets ReadContents(std::int64_t length);
    // The octet at the read position, moving past it; false at the end of the stream.
    bool NextOctet(unsigned char& octet);
    std::uint32_t Position() const noexcept { return m_pInPlace ? m_uPosition : m_Scanner->GetPosition(); }

    // A stream whose bytes lie in memory is read there, at m_uPosition; any other through the
    // scanner, rebuilt by each Parse in the same storage.
    const unsigned char* m_pInPlace = nullptr;
    std::uint32_t m_uPosition = 0;
    std::uint32_t m_uSize = 0;
    std::optional<VEKFile::BinaryStreamParser> m_Scanner;
    // Scratch streams for the values read from a stream; kept between values so their storage
    // is reused.
    VEKFile::MemoryBuffer m_ContentBuffer;
    VEKFile::MemoryBuffer m_TextBuffer;
    // The children of the open constructed values whose arrays are not made yet, outermost
    // first; each holds one count of its node.
    std::vector<BaseASNNode*> m_Pending;
};

} // namespace VEKParser
