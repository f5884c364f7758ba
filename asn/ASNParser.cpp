#include <VEKParser/asn/ASNParser.h>

#include <algorithm>
#include <optional>
#include <utility>

#include <VEKParser/foundation/Exceptions.h>

#include "asn/ASNPrimitiveDecoder.h"

namespace VEKParser {

namespace {

constexpr int CONTEXT_SPECIFIC = 2;
constexpr int END_OF_CONTENTS = 0;
constexpr int HIGH_TAG_NUMBER = 0x1F;
constexpr unsigned int CONSTRUCTED_FORM = 0x20;
// A value's children wait on the pending stack up to this many. A longer run goes to the
// value's array, made at the number of values left in the value when they can be counted, and
// grown as it fills when not (an array and a stack both as long as a huge level would double
// what it costs while it is read).
constexpr std::size_t LONG_RUN = 256;

// An end-of-contents that closes an indefinite-length wrapper, not the level itself.
bool ConsumePendingEnd(int& pendingEnds) noexcept
{
    if (pendingEnds == 0) return false;
    --pendingEnds;
    return true;
}

// Releases the nodes a failed parse left on the pending stack.
struct DropPending {
    std::vector<BaseASNNode*>& m_Pending;
    ~DropPending()
    {
        while (!m_Pending.empty()) {
            if (BaseASNNode* node = m_Pending.back()) node->Release();
            m_Pending.pop_back();
        }
    }
};

// How many values follow each other in [at, end), read from their identifier and length octets
// alone; 0 when one of them cannot be measured there (an indefinite length, a length beyond the
// range). Each value takes at least two bytes, so the count never claims more than the input
// backs.
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
    VEKFile::MemoryBuffer copy(0);
    m_pBegin = stream.ContiguousData();
    std::uint32_t size = stream.Size();
    if (m_pBegin == nullptr) {
        size = stream.Copy(copy);
        m_pBegin = copy.Data();
    }
    m_pAt = m_pBegin;
    m_pEnd = m_pBegin + size;
    const DropPending drop{m_Pending};
    m_Open.assign(1, Open{});
    ReadValues(tree);
}

// One loop for every level: a constructed value opens a level on m_Open and its children are
// read by the same loop, so a value costs no call and return of its own.
void ASNParser::ReadValues(ASNTree& tree)
{
    for (;;) {
        Open& open = m_Open.back();
        if (open.m_pLast != nullptr && m_pAt >= open.m_pLast && !open.m_bRunsPast) {
            Close(tree);
            continue;
        }
        std::int64_t length = 0;
        switch (ReadNextValue(open.m_nPendingEnds, length)) {
        case Outcome::Primitive: Deliver(open, tree); break;
        case Outcome::Constructed: Enter(length); break;
        case Outcome::EndOfContents:
            if (ConsumePendingEnd(open.m_nPendingEnds)) open.m_bStarted = true;
            else if (open.m_pNode != nullptr && open.m_pLast == nullptr) Close(tree);
            else throw ASNEOCException();
            break;
        case Outcome::EndOfStream:
            if (open.m_pNode == nullptr) return;
            // Only an indefinite value that ends the stream before its first child is whole.
            if (open.m_pLast != nullptr || open.m_bStarted) throw ASNPrematureEOFException();
            Close(tree);
            break;
        }
    }
}

// Opens a level for the constructed value just read, whose contents are `length` octets on.
inline void ASNParser::Enter(std::int64_t length)
{
    if (m_Open.size() > static_cast<std::size_t>(MAX_DEPTH)) throw ASNException();
    // Made in place and filled field by field, for the reason Close gives.
    auto* node = static_cast<ConstructedASNNode*>(m_Pending.back());
    const std::size_t mark = m_Pending.size();
    Open& open = m_Open.emplace_back();
    open.m_pNode = node;
    open.m_uMark = mark;
    if (length != ASNHeader::INDEFINITE) {
        // A child may run past the end, and a length may run past the stream: the level ends at
        // the first boundary at or beyond its end, or fails at the stream's. A negative length
        // (a long form that wrapped) holds no values.
        const std::int64_t left = m_pEnd - m_pAt;
        open.m_bRunsPast = length > left;
        open.m_pLast = m_pAt + std::clamp<std::int64_t>(length, 0, left);
    }
}

// Ends the innermost level: its node takes its children and goes to the level around it.
inline void ASNParser::Close(ASNTree& tree)
{
    // Field by field: a copy of the whole level would read back, as wide words, the narrow
    // writes just made to it, and wait for them.
    ConstructedASNNode& node = *m_Open.back().m_pNode;
    const std::size_t mark = m_Open.back().m_uMark;
    m_Open.pop_back();
    FinishChildren(node, mark, 0);
    Deliver(m_Open.back(), tree);
}

// The value on top of m_Pending joins its level: the tree at the top, else the level's node.
inline void ASNParser::Deliver(Open& open, ASNTree& tree)
{
    open.m_bStarted = true;
    if (open.m_pNode != nullptr) return AddChild(open);
    BaseASNNode* node = m_Pending.back();
    m_Pending.pop_back();
    tree.AddNode(VEK::SmartPtr<BaseASNNode>::Adopt(node));
}

inline bool ASNParser::ReadIdentifier(unsigned int& first, int& tag)
{
    if (m_pAt == m_pEnd) return false;
    first = *m_pAt++;
    tag = static_cast<int>(first & HIGH_TAG_NUMBER);
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
        if (m_pAt == m_pEnd) throw ASNPrematureEOFException();
        octet = *m_pAt++;
        number = number * 128 + (octet & 0x7F);
    } while (octet > 0x7F);
    return static_cast<int>(number);
}

inline std::int64_t ASNParser::ReadLength()
{
    if (m_pAt == m_pEnd) throw ASNPrematureEOFException();
    const unsigned int first = *m_pAt++;
    if (first < 0x80) return first;
    if (first == 0x80) return ASNHeader::INDEFINITE;
    return ReadLongLength(static_cast<int>(first & 0x7F));
}

std::int64_t ASNParser::ReadLongLength(int count)
{
    std::uint64_t length = 0;
    for (; count > 0; --count) {
        if (m_pAt == m_pEnd) throw ASNPrematureEOFException();
        length = (length << 8) | *m_pAt++;
    }
    return static_cast<std::int64_t>(length);
}

ASNHeader ASNParser::ReadWrapper(const unsigned char*& start, unsigned int& first, int& tag, int& pendingEnds)
{
    ASNHeader wrapper;
    wrapper.m_uOffset = Offset(start);
    wrapper.m_nClass = CONTEXT_SPECIFIC;
    wrapper.m_nTagNumber = tag;
    wrapper.m_bConstructed = first & CONSTRUCTED_FORM;
    wrapper.m_nLength = ReadLength();
    wrapper.m_uHeaderLength = static_cast<std::uint32_t>(m_pAt - start);
    start = m_pAt;
    if (!ReadIdentifier(first, tag)) throw ASNPrematureEOFException();
    // The wrapper's own end-of-contents follows the value and is met by this level.
    if (wrapper.m_nLength == ASNHeader::INDEFINITE) ++pendingEnds;
    return wrapper;
}

inline ASNParser::Outcome ASNParser::ReadNextValue(int& pendingEnds, std::int64_t& length)
{
    const unsigned char* start = m_pAt;
    unsigned int first = 0;
    int tag = 0;
    if (!ReadIdentifier(first, tag)) return Outcome::EndOfStream;
    std::optional<ASNHeader> wrapper;
    if ((first >> 6) == CONTEXT_SPECIFIC) wrapper = ReadWrapper(start, first, tag, pendingEnds);
    const int explicitTag = wrapper ? wrapper->m_nTagNumber : -1;
    length = ReadLength();
    const auto headerLength = static_cast<std::uint32_t>(m_pAt - start);
    BaseASNNode* node = nullptr;
    Outcome outcome = Outcome::Constructed;
    m_Pending.push_back(nullptr);  // may throw, so the node is made after
    if (first & CONSTRUCTED_FORM) {
        node = MakeASNNode<ConstructedASNNode>(explicitTag);
    } else {
        const ASNOctets contents = ReadContents(length);
        if (tag == END_OF_CONTENTS) {
            m_Pending.pop_back();
            return Outcome::EndOfContents;
        }
        node = ASNPrimitiveDecoder::Decode(tag, explicitTag, contents, m_ContentBuffer, m_TextBuffer);
        outcome = Outcome::Primitive;
    }
    m_Pending.back() = BaseASNNode::Hold(node);
    node->Frame(Offset(start), headerLength, tag, first, length);
    if (wrapper) node->SetWrapper(*wrapper);
    return outcome;
}

inline void ASNParser::AddChild(Open& open)
{
    ConstructedASNNode& node = *open.m_pNode;
    if (!open.m_bLongRun) {
        if (m_Pending.size() - open.m_uMark < LONG_RUN) return;
        FinishChildren(node, open.m_uMark, open.m_pLast ? CountValues(m_pAt, open.m_pLast) : 0);
        open.m_bLongRun = true;
        return;
    }
    BaseASNNode* child = m_Pending.back();
    m_Pending.pop_back();
    node.m_Children.push_back(VEK::SmartPtr<BaseASNNode>::Adopt(child));
}

void ASNParser::FinishChildren(ConstructedASNNode& node, std::size_t mark, std::size_t more)
{
    const std::size_t count = m_Pending.size() - mark;
    if (count == 0) return;
    // The array is made at its length by the append, with room for `more` only when there are more.
    if (more != 0) node.m_Children.reserve(node.m_Children.size() + count + more);
    node.m_Children.AppendAdopted(m_Pending.data() + mark, count);
    m_Pending.resize(mark);
}

ASNOctets ASNParser::ReadContents(std::int64_t length)
{
    if (length <= 0) return {};
    // Checked before anything is read, so a hostile length never sizes a buffer.
    if (length > m_pEnd - m_pAt) throw ASNPrematureEOFException();
    const ASNOctets octets{m_pAt, static_cast<std::uint32_t>(length)};
    m_pAt += length;
    return octets;
}

} // namespace VEKParser
