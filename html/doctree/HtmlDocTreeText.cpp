// Text queries of a parsed document tree: visible text (decoded or raw), hidden text, and the
// text and parameters of single nodes. They only read the tree.
#include <VEKParser/html/doctree/HtmlDocTree.h>

#include <cstdint>
#include <string>

#include <VEKParser/foundation/Exceptions.h>
#include <VEKParser/html/vocabulary/NamedCharacters.h>

#include "html/doctree/TreeQueries.h"
#include "html/vocabulary/AppendExpandedText.h"

namespace VEKParser {

namespace {

using tree_queries::CharsetOf;
using tree_queries::FindParam;

constexpr unsigned int kAllBits = 0xFFFFFFFFu;
constexpr unsigned int kNoLimit = 0xFFFFFFFFu;
// Keyword ids whose nodes carry text of their own: text blocks (73), hidden text (72).
constexpr unsigned int kTextBearingIdBits = 0x49u;

// Puts at most `count` bytes of `data`, never more than the stream may still take below
// `limit`; 16-bit text is cut to whole units.
void PutLimited(VEK::BinaryStreamBufT<unsigned int>& out, const void* data, std::uint64_t count,
                unsigned int limit, bool wholeUnits)
{
    const unsigned int size = out.Size();
    if (size >= limit) return;
    std::uint64_t room = limit - size;
    if (count > room) count = wholeUnits ? room & ~std::uint64_t{1} : room;
    if (count > 0) out.Put(data, static_cast<unsigned int>(count));
}

// Where the text walk writes: a stream, which takes decoded text or raw bytes up to a limit,
// or a 16-bit string directly.
class StreamSink {
public:
    StreamSink(VEK::BinaryStreamBufT<unsigned int>& out, bool decode, unsigned int limit) noexcept
        : m_Out(out), m_bDecode(decode), m_uLimit(limit)
    {
    }
    bool Full() const { return m_Out.Size() >= m_uLimit; }
    void PutText(VEK::CHARSET charset, const char* text, unsigned int size)
    {
        if (!m_bDecode) return PutLimited(m_Out, text, size, m_uLimit, false);
        m_Expanded.clear();
        ExpandCharacterReferences(charset, text, size, m_Expanded, false);
        PutLimited(m_Out, m_Expanded.data(), std::uint64_t{2} * m_Expanded.size(), m_uLimit, true);
    }
    void PutBlank()
    {
        static constexpr unsigned short kWideBlank = 0x0020;
        static constexpr char kBlank = ' ';
        if (m_bDecode) PutLimited(m_Out, &kWideBlank, sizeof kWideBlank, m_uLimit, true);
        else PutLimited(m_Out, &kBlank, 1, m_uLimit, false);
    }

private:
    VEK::BinaryStreamBufT<unsigned int>& m_Out;
    bool m_bDecode;
    unsigned int m_uLimit;
    VEK::WString m_Expanded;  // one text at a time: references resolve within their own text
};

class StringSink {
public:
    explicit StringSink(VEK::WString& out) noexcept : m_Out(out) {}
    static bool Full() noexcept { return false; }
    void PutText(VEK::CHARSET charset, const char* text, unsigned int size) { m_Out.Append(charset, text, size); }
    void PutBlank() { m_Out.Append(0x0020); }

private:
    ExpandedTextAppender m_Out;
};

bool HasOwnText(unsigned int keyword) noexcept { return (keyword & kTextBearingIdBits) != 0; }

void CheckCharset(VEK::CHARSET charset)
{
    if (charset == VEK::CHARSET_UNKNOWN) throw ParserInvalidEncodingException();
}

} // namespace

void HtmlDocTree::GetText(VEK::BinaryStreamBufT<unsigned int>& out) const
{
    RecursiveGetText(out, Begin(), End(), true, kAllBits, 0, kNoLimit);
}

// Without a charset the walk throws at the first text it decodes, and `out` must then stay as
// it was: the text is collected apart first.
void HtmlDocTree::GetText(VEK::WString& out) const
{
    if (m_Charset == VEK::CHARSET_UNKNOWN) {
        VEK::WString collected;
        {
            StringSink sink(collected);  // gives `collected` its true size as it goes
            WalkText(sink, Begin(), End(), kAllBits, 0);
        }
        out = std::move(collected);
        return;
    }
    out.clear();
    StringSink sink(out);
    WalkText(sink, Begin(), End(), kAllBits, 0);
}

void HtmlDocTree::GetText(VEK::WString& out, NodeAtt filter) const
{
    CheckCharset(m_Charset);
    out.clear();
    StringSink sink(out);
    WalkText(sink, Begin(), End(), filter, 0);
}

void HtmlDocTree::GetText(VEK::BinaryStreamBufT<unsigned int>& out, NodeAtt filter) const
{
    CheckCharset(m_Charset);
    RecursiveGetText(out, Begin(), End(), true, filter, 0, kNoLimit);
}

void HtmlDocTree::GetRawText(VEK::BinaryStreamBufT<unsigned int>& out, unsigned int limit) const
{
    RecursiveGetText(out, Begin(), End(), false, kAllBits, 0, limit);
}

void HtmlDocTree::GetHiddenText(VEK::WString& out, unsigned int filter) const
{
    CheckCharset(m_Charset);
    std::string hidden;
    hidden.reserve(1024);
    RecursiveGetHiddenText(hidden, filter, Begin(), End());
    if (hidden.empty()) return;
    VEK::WString decoded;
    ExpandCharacterReferences(m_Charset, hidden, decoded, false);
    out.swap(decoded);
}

void HtmlDocTree::RecursiveGetText(VEK::BinaryStreamBufT<unsigned int>& out, const NodeHolder* begin,
                                   const NodeHolder* const& end, bool decode, unsigned int filter,
                                   unsigned int inherited, unsigned int limit) const
{
    StreamSink sink(out, decode, limit);
    WalkText(sink, begin, end, filter, inherited);
}

template <class Sink>
void HtmlDocTree::WalkText(Sink& sink, const NodeHolder* begin, const NodeHolder* end, unsigned int filter,
                           unsigned int inherited) const
{
    for (const NodeHolder* holder = begin; holder != end; ++holder) {
        if (sink.Full()) return;
        tree_queries::PrefetchNext(holder, end);
        const HtmlTreeNode& node = **holder;
        const unsigned int word = node.m_uKeyword | inherited;
        const KeywordID id = node.GetKeywordID();
        if (id == KW_TEXT && (filter & word) != 0) {
            sink.PutText(m_Charset, node.m_pText, node.m_uTextSize);
            continue;
        }
        const tree_queries::KeywordSpacing& spacing = tree_queries::SpacingOf(id);
        if (spacing.IsSpaceTag() && !spacing.m_pPrefix->empty()) sink.PutBlank();
        if (node.HasChild()) WalkText(sink, node.Begin(), node.End(), filter, word);
        if (spacing.IsSpaceTag() && !spacing.m_pPostfix->empty()) sink.PutBlank();
    }
}

void HtmlDocTree::RecursiveGetHiddenText(std::string& out, unsigned int filter,
                                         const NodeHolder* begin,
                                         const NodeHolder* const& end) const
{
    for (const NodeHolder* holder = begin; holder != end; ++holder) {
        const HtmlTreeNode& node = **holder;
        if (node.IsMatch(KW_HIDDEN_TEXT) &&
            (filter & node.m_uKeyword) != 0 && node.m_uTextSize != 0) {
            out.append(node.m_pText, node.m_uTextSize);
            out.push_back(' ');
        }
        if (node.HasChild()) RecursiveGetHiddenText(out, filter, node.Begin(), node.End());
    }
}

void HtmlDocTree::HtmlTreeNode::GetText(VEK::WString& out) const
{
    if (!HasOwnText(m_uKeyword)) {
        out.clear();
        return;
    }
    ExpandCharacterReferences(CharsetOf(m_pTree), m_pText, m_uTextSize, out, false);
}

void HtmlDocTree::HtmlTreeNode::GetRawText(std::string& out) const
{
    if (HasOwnText(m_uKeyword) && m_pText != nullptr) out.assign(m_pText, m_uTextSize);
    else out.clear();
}

void HtmlDocTree::HtmlTreeNode::GetParam(const std::string& name, std::string& out) const
{
    const std::string_view* value = FindParam(m_pParams, name);
    if (value != nullptr) out.assign(*value);
    else out.clear();
}

void HtmlDocTree::HtmlTreeNode::GetParam(const std::string& name, VEK::WString& out) const
{
    const std::string_view* value = FindParam(m_pParams, name);
    if (value != nullptr)
        ExpandCharacterReferences(CharsetOf(m_pTree), value->data(), static_cast<unsigned int>(value->size()), out,
                                  false);
    else out.clear();
}

bool HtmlDocTree::HtmlTreeNode::IsParam(const std::string& name) const
{
    const std::string_view* value = FindParam(m_pParams, name);
    return value != nullptr && !value->empty();
}

} // namespace VEKParser
