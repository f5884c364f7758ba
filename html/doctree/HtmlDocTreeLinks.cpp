// Document-level queries of a parsed tree: links with their captions, meta values, base and
// redirect URIs and the summary information.
#include <VEKParser/html/doctree/HtmlDocTree.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include <VEKParser/host/StringFunctions.h>
#include <VEKParser/html/vocabulary/NamedCharacters.h>

#include "html/doctree/TreeQueries.h"
#include "html/vocabulary/AppendExpandedText.h"

namespace VEKParser {

namespace {

using tree_queries::CharsetOf;

// Set on a node that received a link parameter while it was parsed.
constexpr unsigned int kLinkBit = 0x40000u;

void CopyUnlessSame(const VEK::WString& from, VEK::WString& to)
{
    if (&from != &to) to = from;
}

// Decoded text with its white-space runs made one blank and its ends trimmed, appended to
// `out`; its references resolve within the text alone. It is decoded and collapsed in place.
void AppendBeautified(VEK::CHARSET charset, const char* text, unsigned int length, VEK::WString& out)
{
    const std::size_t from = out.size();
    AppendExpandedText(charset, text, length, out, false);
    VEK::BeautifyTail(out, from);
}

// A caption parameter's part of a link's own caption: one blank before it when the caption has
// a part already and the value decodes to anything, even to white space alone. Most links lack
// the parameter, and its empty value decodes to nothing.
void AppendCaptionPart(VEK::CHARSET charset, std::string_view value, VEK::WString& caption)
{
    if (value.empty()) return;
    const std::size_t before = caption.size();
    if (before != 0) caption.push_back(' ');
    const std::size_t from = caption.size();
    AppendExpandedText(charset, value.data(), static_cast<unsigned int>(value.size()), caption, false);
    if (caption.size() == from) caption.resize(before);
    else VEK::BeautifyTail(caption, from);
}

bool IsCaption(const ParamInfo& param) noexcept
{
    return (param.m_uType & PARAM_HIDDEN_TEXT) != 0 && (param.m_uHiddenAtt & HIDDEN_ATT_CAPTION) != 0;
}

// A link node's target is its first non-empty link parameter; its own caption is made of its
// caption parameters, one blank between them.
HtmlDocTree::LinkCaption LinkOf(const HtmlDocTree::ParamHolder& params, KeywordID id,
                                VEK::CHARSET charset)
{
    HtmlDocTree::LinkCaption link;
    for (const ParamInfo& param : HtmlKeywordTable::FindParamInfo(id)) {
        // Parameters that are neither the target nor a caption (an anchor's name and class)
        // are not looked up at all.
        const bool target = link.m_sUri.empty() && (param.m_uType & PARAM_LINK) != 0;
        if (!target && !IsCaption(param)) continue;
        const std::string_view value = tree_queries::ParamOrEmpty(params, param.m_sName);
        if (target)
            ExpandUriCharacterReferences(charset, value.data(), static_cast<unsigned int>(value.size()),
                                         link.m_sUri);
        if (IsCaption(param)) AppendCaptionPart(charset, value, link.m_sCaption);
    }
    return link;
}

} // namespace

void HtmlDocTree::GetLinks(std::vector<LinkCaption>& out) const
{
    if (!m_sRedirectUri.empty()) out.push_back(LinkCaption{m_sRedirectUri, VEK::WString()});
    RecursiveGetLinksWithCaptions(out, Begin(), End(), nullptr);
}

// Links come out in post-order: a link inside another one precedes it. Only anchors gather
// the text inside them; other link nodes pass the caption they were given on.
void HtmlDocTree::RecursiveGetLinksWithCaptions(std::vector<LinkCaption>& out, const NodeHolder* begin,
                                                const NodeHolder* const& end, VEK::WString* caption)
{
    for (const NodeHolder* holder = begin; holder != end; ++holder) {
        tree_queries::PrefetchNext(holder, end);
        const HtmlTreeNode& node = **holder;
        const KeywordID id = node.GetKeywordID();
        if (id == KW_TEXT) {
            if (caption != nullptr)
                AppendBeautified(CharsetOf(node.m_pTree), node.m_pText, node.m_uTextSize, *caption);
        } else if ((node.m_uKeyword & kLinkBit) != 0) {
            LinkCaption link = LinkOf(node.m_pParams, id, CharsetOf(node.m_pTree));
            if (link.m_sUri.empty()) continue;
            RecursiveGetLinksWithCaptions(out, node.Begin(), node.End(), id == KW_A ? &link.m_sCaption : caption);
            out.push_back(std::move(link));
        } else {
            const tree_queries::KeywordSpacing& spacing = tree_queries::SpacingOf(id);
            const bool spaced = caption != nullptr && spacing.IsSpaceTag();
            if (spaced) *caption += *spacing.m_pPrefix;
            if (!node.HasChild()) continue;
            RecursiveGetLinksWithCaptions(out, node.Begin(), node.End(), caption);
            if (spaced) *caption += *spacing.m_pPostfix;
        }
    }
}

void HtmlDocTree::GetMetaInfo(VEK::WString& out, const std::string& name) const
{
    out.clear();
    const auto it = m_MetaMap.find(name);
    if (it != m_MetaMap.end()) out = it->second;
}

void HtmlDocTree::GetMetaCharset(VEK::WString& out) const { CopyUnlessSame(m_sMetaCharset, out); }

void HtmlDocTree::GetBaseUri(VEK::WString& out) const { CopyUnlessSame(m_sBaseUri, out); }

void HtmlDocTree::GetMetaRedirectUri(VEK::WString& out) const { CopyUnlessSame(m_sRedirectUri, out); }

void HtmlDocTree::GetSummaryInformation(DocSummaryInformation& out) const
{
    if (&out != &m_Summary) out = m_Summary;
}

} // namespace VEKParser
