// Text queries of a parsed document tree: visible text (decoded or raw), hidden text, and the
// text and parameters of single nodes. They only read the tree.
#include <VEKParser/html/doctree/HtmlDocTree.h>

#include <cstdint>
#include <string>

#include <VEKParser/foundation/Exceptions.h>
#include <VEKParser/host/MemoryBuffer.h>
#include <VEKParser/html/vocabulary/NamedCharacters.h>

#include "html/doctree/TreeQueries.h"

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

void PutBlank(VEK::BinaryStreamBufT<unsigned int>& out, bool decode, unsigned int limit)
{
    static constexpr unsigned short kWideBlank = 0x0020;
    static constexpr char kBlank = ' ';
    if (decode) PutLimited(out, &kWideBlank, sizeof kWideBlank, limit, true);
    else PutLimited(out, &kBlank, 1, limit, false);
}

bool HasOwnText(unsigned int keyword) noexcept { return (keyword & kTextBearingIdBits) != 0; }

void CheckCharset(VEK::CHARSET charset)
{
    if (charset == VEK::CHARSET_UNKNOWN) throw ParserInvalidEncodingException();
}

// The buffered form of the 16-bit text queries: one growing buffer, its size reserved at once.
void CopyOut(VEKFile::MemoryBuffer& buffer, VEK::WString& out)
{
    out.clear();
    out.reserve(buffer.Size() / 2);
    buffer.SeekG(0);
    buffer.Copy(out);
}

} // namespace

void HtmlDocTree::GetText(VEK::BinaryStreamBufT<unsigned int>& out) const
{
    RecursiveGetText(out, Begin(), End(), true, kAllBits, 0, kNoLimit);
}

void HtmlDocTree::GetText(VEK::WString& out) const
{
    VEKFile::MemoryBuffer buffer(4096);
    GetText(buffer);
    CopyOut(buffer, out);
}

void HtmlDocTree::GetText(VEK::WString& out, NodeAtt filter) const
{
    CheckCharset(m_Charset);
    VEKFile::MemoryBuffer buffer(4096);
    RecursiveGetText(buffer, Begin(), End(), true, filter, 0, kNoLimit);
    CopyOut(buffer, out);
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

void HtmlDocTree::RecursiveGetText(VEK::BinaryStreamBufT<unsigned int>& out,
                                   const NodeHolder* begin,
                                   const NodeHolder* const& end, bool decode, unsigned int filter,
                                   unsigned int inherited, unsigned int limit) const
{
    VEK::WString expanded;
    for (const NodeHolder* holder = begin; holder != end; ++holder) {
        if (out.Size() >= limit) return;
        tree_queries::PrefetchNext(holder, end);
        const HtmlTreeNode& node = **holder;
        const unsigned int word = node.m_uKeyword | inherited;
        const KeywordID id = node.GetKeywordID();
        if (id == KW_TEXT && (filter & word) != 0) {
            if (decode) {
                expanded.clear();
                ExpandCharacterReferences(m_Charset, node.m_pText, node.m_uTextSize, expanded, false);
                PutLimited(out, expanded.data(), std::uint64_t{2} * expanded.size(), limit, true);
            } else {
                PutLimited(out, node.m_pText, node.m_uTextSize, limit, false);
            }
            continue;
        }
        const tree_queries::KeywordSpacing& spacing = tree_queries::SpacingOf(id);
        if (spacing.IsSpaceTag() && !spacing.m_pPrefix->empty()) PutBlank(out, decode, limit);
        if (node.HasChild())
            RecursiveGetText(out, node.Begin(), node.End(), decode, filter, word, limit);
        if (spacing.IsSpaceTag() && !spacing.m_pPostfix->empty()) PutBlank(out, decode, limit);
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
    const std::string* value = FindParam(m_pParams, name);
    if (value != nullptr) out = *value;
    else out.clear();
}

void HtmlDocTree::HtmlTreeNode::GetParam(const std::string& name, VEK::WString& out) const
{
    const std::string* value = FindParam(m_pParams, name);
    if (value != nullptr) ExpandCharacterReferences(CharsetOf(m_pTree), *value, out, false);
    else out.clear();
}

bool HtmlDocTree::HtmlTreeNode::IsParam(const std::string& name) const
{
    const std::string* value = FindParam(m_pParams, name);
    return value != nullptr && !value->empty();
}

} // namespace VEKParser
