// Document-level queries of a parsed tree: links with their captions, meta values, base and
// redirect URIs and the summary information.
#include <VEKParser/html/doctree/HtmlDocTree.h>

#include <string>
#include <utility>

#include <VEKParser/host/StringFunctions.h>
#include <VEKParser/html/vocabulary/NamedCharacters.h>

#include "html/doctree/TreeQueries.h"

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
// `out`. The text is decoded apart from `out`, whose references are resolved already, in a
// scratch string each thread keeps: a walk decodes a caption text per link.
void AppendBeautified(VEK::CHARSET charset, const char* text, unsigned int length, VEK::WString& out)
{
    thread_local VEK::WString scratch;
    scratch.clear();
    ExpandCharacterReferences(charset, text, length, scratch, false);
    VEK::BeautifyString(scratch, out, true, true);
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
    VEK::WString caption;
    for (const ParamInfo& param : HtmlKeywordTable::FindParamInfo(id)) {
        // Parameters that are neither the target nor a caption (an anchor's name and class)
        // are not looked up at all.
        const bool target = link.m_sUri.empty() && (param.m_uType & PARAM_LINK) != 0;
        if (!target && !IsCaption(param)) continue;
        const std::string_view value = tree_queries::ParamOrEmpty(params, param.m_sName);
        const auto length = static_cast<unsigned int>(value.size());
        if (target) ExpandUriCharacterReferences(charset, value.data(), length, link.m_sUri);
        if (!IsCaption(param)) continue;
        caption.clear();
        ExpandCharacterReferences(charset, value.data(), length, caption, false);
        if (caption.empty()) continue;
        if (!link.m_sCaption.empty()) link.m_sCaption.push_back(' ');
        VEK::BeautifyString(caption, link.m_sCaption, true, true);
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
