#include <VEKParser/asn/ASNParser.h>

#include <algorithm>
#include <limits>
#include <utility>

#include <VEKParser/foundation/Exceptions.h>

#include "asn/ASNPrimitiveDecoder.h"

namespace VEKParser {

namespace {

constexpr int CONTEXT_SPECIFIC = 2;
constexpr int END_OF_CONTENTS = 0;
constexpr int HIGH_TAG_NUMBER = 0x1F;
// Child arrays shorter than this are made at their length; longer ones grow as they fill.
constexpr std::size_t SHORT_ARRAY = 16;

// An end-of-contents that closes an indefinite-length wrapper, not the level itself.
bool ConsumePendingEnd(int& pendingEnds) noexcept
{
    if (pendingEnds == 0) return false;
    --pendingEnds;
    return true;
}

// How many values follow each other in [at, end), read from their identifier and length octets
// alone; 0 when one of them cannot be measured there (an indefinite length, a length beyond the
// range). It sizes a child array before its children are read; each value takes at least two
// bytes, so the array never claims more than the input backs.
std::size_t CountValues(const unsigned char* at, const unsigned char* end) noexcept
{
    std::size_t count = 0;
    while (at < end) {
        if ((*at++ & HIGH_TAG_NUMBER) == HIGH_TAG_NUMBER)
            while (at < end && (*at++ & 0x80) != 0) {
            }
        if (at == end) return 0;
        const unsigned int first = *at++;
        std::uint64_t length = first;
        if (first == 0x80) return 0;
        if (first > 0x80) {
            const unsigned int octets = first & 0x7F;
            if (octets > 8 || static_cast<std::size_t>(end - at) < octets) return 0;
            length = 0;
            for (unsigned int i = 0; i < octets; ++i) length = (length << 8) | *at++;
        }
        if (length > static_cast<std::uint64_t>(end - at)) return 0;
        at += length;
        ++count;
    }
    return count;
}

} // namespace

ASNParser::ASNParser() : m_ContentBuffer(1024), m_TextBuffer(1024) {}

ASNParser::~ASNParser() = default;

void ASNParser::Parse(VEK::BinaryStreamBufT<unsigned int>& stream, ASNTree& tree)
{
    stream.SeekG(0);
    m_pInPlace = stream.ContiguousData();
    m_uPosition = 0;
    m_uSize = stream.Size();
    if (m_pInPlace)
        m_Scanner.reset();
    else
        m_Scanner.emplace(stream, true);
    Level top;
    VEK::SmartPtr<BaseASNNode> node;
    for (;;) {
        switch (ReadNextValue(node, top)) {
        case Outcome::EndOfStream: return;
        case Outcome::Value: tree.AddNode(std::move(node)); break;
        case Outcome::EndOfContents:
            if (!ConsumePendingEnd(top.m_nPendingEnds)) throw ASNEOCException();
            break;
        }
    }
}

// The steps per octet are inlined into ReadNextValue; the rare forms (high tag numbers, long
// lengths) stay out of line.
inline bool ASNParser::NextOctet(unsigned char& octet)
{
    if (m_pInPlace) {
        if (m_uPosition == m_uSize) return false;
        octet = m_pInPlace[m_uPosition++];
        return true;
    }
    VEKFile::BinaryStreamParser& scanner = *m_Scanner;
    octet = scanner.GetCurrentChar();
    return scanner.Fetch(1, false, true);
}

inline bool ASNParser::ReadIdentifier(int& cls, PrimitiveOrConstructed& pc, int& tag)
{
    unsigned char first = 0;
    if (!NextOctet(first)) return false;
    cls = first >> 6;
    pc = first & 0x20 ? Constructed : Primitive;
    tag = first & 0x1F;
    if (tag == HIGH_TAG_NUMBER) tag = ReadHighTagNumber();
    return true;
}

// Seven bits per octet, as many octets as the encoder wrote; a number wider than 32 bits keeps
// its low bits.
int ASNParser::ReadHighTagNumber()
{
    std::uint32_t number = 0;
    unsigned char octet = 0;
    do {
        if (!NextOctet(octet)) throw ASNPrematureEOFException();
        number = number * 128 + (octet & 0x7F);
    } while (octet > 0x7F);
    return static_cast<int>(number);
}

inline bool ASNParser::ReadIdentifier(ASNHeader& header)
{
    header.m_uOffset = Position();
    PrimitiveOrConstructed pc = Primitive;
    if (!ReadIdentifier(header.m_nClass, pc, header.m_nTagNumber)) return false;
    header.m_bConstructed = pc == Constructed;
    return true;
}

inline std::int64_t ASNParser::ReadLength()
{
    unsigned char first = 0;
    if (!NextOctet(first)) throw ASNPrematureEOFException();
    if (first < 0x80) return first;
    if (first == 0x80) return ASNHeader::INDEFINITE;
    return ReadLongLength(first & 0x7F);
}

std::int64_t ASNParser::ReadLongLength(int count)
{
    std::uint64_t length = 0;
    for (; count > 0; --count) {
        unsigned char octet = 0;
        if (!NextOctet(octet)) throw ASNPrematureEOFException();
        length = (length << 8) | octet;
    }
    return static_cast<std::int64_t>(length);
}

ASNParser::Outcome ASNParser::ReadNextValue(VEK::SmartPtr<BaseASNNode>& out, Level& level)
{
    ASNHeader header;
    ASNHeader wrapper;
    int explicitTag = -1;
    if (!ReadIdentifier(header)) return Outcome::EndOfStream;
    const bool wrapped = header.m_nClass == CONTEXT_SPECIFIC;
    if (wrapped) {
        wrapper = header;
        wrapper.m_nLength = ReadLength();
        wrapper.m_uHeaderLength = Position() - wrapper.m_uOffset;
        explicitTag = wrapper.m_nTagNumber;
        if (!ReadIdentifier(header)) throw ASNPrematureEOFException();
        // The wrapper's own end-of-contents follows the value and is met by this level.
        if (wrapper.m_nLength == ASNHeader::INDEFINITE) ++level.m_nPendingEnds;
    }
    header.m_nLength = ReadLength();
    header.m_uHeaderLength = Position() - header.m_uOffset;
    // Most values have no wrapper, and their nodes need not compare one with the empty framing.
    const auto frame = [&](BaseASNNode& node) {
        if (wrapped) node.SetHeaders(header, wrapper);
        else node.SetHeader(header);
    };
    if (header.m_bConstructed) {
        ConstructedASNNode* node = MakeASNNode<ConstructedASNNode>(explicitTag);
        out = BaseASNNode::Own(node);
        frame(*node);
        ReadChildren(*node, header.m_nLength, level);
        return Outcome::Value;
    }
    const ASNOctets contents = ReadContents(header.m_nLength);
    if (header.m_nTagNumber == END_OF_CONTENTS) return Outcome::EndOfContents;
    out = BaseASNNode::Own(
        ASNPrimitiveDecoder::Decode(header.m_nTagNumber, explicitTag, contents, m_ContentBuffer, m_TextBuffer));
    frame(*out);
    return Outcome::Value;
}

inline void ASNParser::AddChild(ConstructedASNNode& node, std::size_t pending, VEK::SmartPtr<BaseASNNode>&& child)
{
    if (node.m_Children.capacity() == 0 && m_Pending.size() - pending < SHORT_ARRAY) {
        m_Pending.push_back(nullptr);  // may throw, so the count is handed over after
        m_Pending.back() = child.Detach();
        return;
    }
    if (m_Pending.size() != pending) FinishChildren(node, pending);
    node.m_Children.push_back(std::move(child));
}

void ASNParser::FinishChildren(ConstructedASNNode& node, std::size_t pending)
{
    const std::size_t count = m_Pending.size() - pending;
    if (count == 0) return;
    node.m_Children.reserve(count);
    BaseASNNode* const* waiting = m_Pending.data() + pending;
    for (std::size_t i = 0; i < count; ++i) node.m_Children.push_back(VEK::SmartPtr<BaseASNNode>::Adopt(waiting[i]));
    m_Pending.resize(pending);
}

void ASNParser::ReadChildren(ConstructedASNNode& node, std::int64_t length, const Level& parent)
{
    Level level{parent.m_nDepth + 1, 0};
    if (level.m_nDepth > MAX_DEPTH) throw ASNException();
    // A value that fails is dropped whole, so its waiting children go with it.
    const std::size_t pending = m_Pending.size();
    struct DropPending {
        std::vector<BaseASNNode*>& m_Pending;
        std::size_t m_uSize;
        ~DropPending()
        {
            while (m_Pending.size() > m_uSize) {
                m_Pending.back()->Release();
                m_Pending.pop_back();
            }
        }
    } drop{m_Pending, pending};
    VEK::SmartPtr<BaseASNNode> child;
    if (length == ASNHeader::INDEFINITE) {
        for (bool first = true;; first = false) {
            switch (ReadNextValue(child, level)) {
            case Outcome::Value: AddChild(node, pending, std::move(child)); break;
            case Outcome::EndOfContents:
                if (!ConsumePendingEnd(level.m_nPendingEnds)) return FinishChildren(node, pending);
                break;
            case Outcome::EndOfStream:
                // Only an indefinite value that ends the stream before its first child is whole.
                if (first) return;
                throw ASNPrematureEOFException();
            }
        }
    }
    // A child may run past the end; the loop stops at the first boundary at or beyond it.
    constexpr std::int64_t FAR_END = std::numeric_limits<std::int64_t>::max();
    const std::int64_t start = Position();
    const std::int64_t end = length > FAR_END - start ? FAR_END : start + length;
    // A negative length (a long form that wrapped) holds no values.
    if (m_pInPlace) node.m_Children.reserve(CountValues(m_pInPlace + start, m_pInPlace + std::clamp<std::int64_t>(end, start, m_uSize)));
    while (Position() < end) {
        switch (ReadNextValue(child, level)) {
        case Outcome::Value: AddChild(node, pending, std::move(child)); break;
        case Outcome::EndOfContents:
            if (!ConsumePendingEnd(level.m_nPendingEnds)) throw ASNEOCException();
            break;
        case Outcome::EndOfStream: throw ASNPrematureEOFException();
        }
    }
    FinishChildren(node, pending);
}

ASNOctets ASNParser::ReadContents(std::int64_t length)
{
    if (length <= 0) return {};
    // Checked before anything is read, so a hostile length never sizes a buffer.
    if (length > std::int64_t{m_uSize} - Position()) throw ASNPrematureEOFException();
    const auto count = static_cast<std::uint32_t>(length);
    if (m_pInPlace) {
        const unsigned char* start = m_pInPlace + m_uPosition;
        m_uPosition += count;
        return {start, count};
    }
    VEKFile::BinaryStreamParser& scanner = *m_Scanner;
    scanner.ClearFetchingBuffer();
    scanner.SetFetching(true);
    const bool complete = scanner.Fetch(count, false, true);
    scanner.SetFetching(false);
    if (!complete) throw ASNPrematureEOFException();
    const VEKFile::MemoryBuffer& captured = scanner.GetFetchingBuffer();
    return {captured.Data(), captured.Size()};
}

} // namespace VEKParser
