// Document-level queries of a parsed tree: links with their captions, meta values, base and
// redirect URIs and the summary information.
#include <VEKParser/html/doctree/HtmlDocTree.h>

#include <string>
#include <utility>

#include <VEKParser/host/StringFunctions.h>
#include <VEKParser/html/vocabulary/NamedCharacters.h>

namespace VEKParser {

namespace {

constexpr unsigned int kKeywordIdMask = 0xFFu;
// Set on a node that received a link parameter while it was parsed.
constexpr unsigned int kLinkBit = 0x40000u;

void CopyUnlessSame(const VEK::WString& from, VEK::WString& to)
{
    if (&from != &to) to = from;
}

// Decoded text with its white-space runs made one blank and its ends trimmed, appended.
void AppendBeautified(VEK::CHARSET charset, const char* text, unsigned int length, VEK::WString& out)
{
    VEK::WString expanded;
    ExpandCharacterReferences(charset, text, length, expanded, false);
    VEK::BeautifyString(expanded, out, true, true);
}

// A link node's target is its first non-empty link parameter; its own caption is made of its
// caption parameters, one blank between them.
HtmlDocTree::LinkCaption LinkOf(const HtmlDocTree::HtmlTreeNode& node, KeywordID id, VEK::CHARSET charset)
{
    HtmlDocTree::LinkCaption link;
    std::string value;
    for (const ParamInfo& param : HtmlKeywordTable::FindParamInfo(id)) {
        if (link.m_sUri.empty() && (param.m_uType & PARAM_LINK) != 0) {
            node.GetParam(param.m_sName, value);
            ExpandUriCharacterReferences(charset, value, link.m_sUri);
        }
        if ((param.m_uType & PARAM_HIDDEN_TEXT) == 0 || (param.m_uHiddenAtt & HIDDEN_ATT_CAPTION) == 0) continue;
        node.GetParam(param.m_sName, value);
        VEK::WString caption;
        ExpandCharacterReferences(charset, value, caption, false);
        if (caption.empty()) continue;
        if (!link.m_sCaption.empty()) link.m_sCaption.push_back(' ');
        VEK::BeautifyString(caption, link.m_sCaption, true, true);
    }
    return link;
}

// A node made outside a tree has no charset to decode with.
VEK::CHARSET CharsetOf(const HtmlDocTree* tree) noexcept
{
    return tree != nullptr ? tree->GetCharset() : VEK::CHARSET_UNKNOWN;
}

} // namespace

void HtmlDocTree::GetLinks(std::vector<LinkCaption>& out) const
{
    if (!m_sRedirectUri.empty()) out.push_back(LinkCaption{m_sRedirectUri, VEK::WString()});
    RecursiveGetLinksWithCaptions(out, Begin(), End(), nullptr);
}

// Links come out in post-order: a link inside another one precedes it. Only anchors gather
// the text inside them; other link nodes pass the caption they were given on.
void HtmlDocTree::RecursiveGetLinksWithCaptions(std::vector<LinkCaption>& out,
                                                const VEK::RefCount<HtmlTreeNode>* begin,
                                                const VEK::RefCount<HtmlTreeNode>* const& end, VEK::WString* caption)
{
    for (const VEK::RefCount<HtmlTreeNode>* holder = begin; holder != end; ++holder) {
        const HtmlTreeNode& node = **holder;
        const auto id = static_cast<KeywordID>(node.m_uKeyword & kKeywordIdMask);
        if (id == KW_TEXT) {
            if (caption != nullptr) AppendBeautified(CharsetOf(node.m_pTree), node.m_pText, node.m_uTextSize, *caption);
        } else if ((node.m_uKeyword & kLinkBit) != 0) {
            LinkCaption link = LinkOf(node, id, CharsetOf(node.m_pTree));
            if (link.m_sUri.empty()) continue;
            RecursiveGetLinksWithCaptions(out, node.Begin(), node.End(), id == KW_A ? &link.m_sCaption : caption);
            out.push_back(std::move(link));
        } else {
            const bool spacing = caption != nullptr && HtmlKeywordTable::IsSpaceTag(id);
            if (spacing) *caption += HtmlKeywordTable::KeywordPrefixSpaces(id);
            if (!node.HasChild()) continue;
            RecursiveGetLinksWithCaptions(out, node.Begin(), node.End(), caption);
            if (spacing) *caption += HtmlKeywordTable::KeywordPostfixSpaces(id);
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
