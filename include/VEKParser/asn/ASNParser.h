#pragma once

#include <cstdint>
#include <vector>

#include <VEKParser/Export.h>
#include <VEKParser/asn/ASNNode.h>
#include <VEKParser/asn/ASNTree.h>
#include <VEKParser/host/BinaryStream.h>
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

    // Appends the stream's values to `tree` (which is not emptied first). A stream whose bytes
    // do not lie in memory is read whole first.
    void Parse(VEK::BinaryStreamBufT<unsigned int>& stream, ASNTree& tree);

private:
    enum class Outcome { Primitive, Constructed, EndOfStream, EndOfContents };

    // A level of values being read: the constructed value's node (null at the top, whose values
    // go to the tree), where its children begin on m_Pending, the end of its contents (null for
    // an indefinite length) and whether the length runs past the stream, whether anything was
    // read in it yet, whether its children go to the node's array as they come (a long run),
    // and the end-of-contents octets it still owes to indefinite-length context-specific
    // wrappers among its values.
    struct Open {
        ConstructedASNNode* m_pNode = nullptr;
        std::size_t m_uMark = 0;
        const unsigned char* m_pLast = nullptr;
        bool m_bRunsPast = false;
        bool m_bStarted = false;
        bool m_bLongRun = false;
        int m_nPendingEnds = 0;
    };

    void ReadValues(ASNTree& tree);
    void Enter(std::int64_t length);
    void Close(ASNTree& tree);
    void Deliver(Open& open, ASNTree& tree);
    // Reads one value's identifier and length at m_pAt, and a primitive value's contents, and
    // leaves its node on top of m_Pending holding one count; `length` receives the length.
    Outcome ReadNextValue(int& pendingEnds, std::int64_t& length);
    // False at the end of the stream: the first identifier octet and the tag number.
    bool ReadIdentifier(unsigned int& first, int& tag);
    int ReadHighTagNumber();
    std::int64_t ReadLength();
    std::int64_t ReadLongLength(int count);
    // Moves past a context-specific wrapper, whose identifier is read, to the identifier of the
    // value inside; returns the wrapper's framing.
    ASNHeader ReadWrapper(const unsigned char*& start, unsigned int& first, int& tag, int& pendingEnds);
    // The child just read (on top of m_Pending) joins the level's node. A node's children wait
    // on m_Pending until the value ends, so its array is made once at its length; a long run of
    // them goes to the array early, made with room for `more` children.
    void AddChild(Open& open);
    void FinishChildren(ConstructedASNNode& node, std::size_t mark, std::size_t more);
    // Moves over the contents octets and tells where they lie.
    ASNOctets ReadContents(std::int64_t length);
    std::uint32_t Offset(const unsigned char* at) const noexcept { return static_cast<std::uint32_t>(at - m_pBegin); }

    // The bytes being read, and the read position among them.
    const unsigned char* m_pBegin = nullptr;
    const unsigned char* m_pAt = nullptr;
    const unsigned char* m_pEnd = nullptr;
    // Scratch streams for the values read through a stream's interface; kept between values so
    // their storage is reused.
    VEKFile::MemoryBuffer m_ContentBuffer;
    VEKFile::MemoryBuffer m_TextBuffer;
    // The nodes of the values being read that no parent holds yet, each with one count: every
    // open value's node, and the children read so far of each, in stream order.
    std::vector<BaseASNNode*> m_Pending;
    // The levels open, the top first.
    std::vector<Open> m_Open;
};

} // namespace VEKParser
