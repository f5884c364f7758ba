// The element builder of the document parser: classifies each tag text, opens and closes
// elements, emulates missing table levels, re-opens elements an outer end tag closed too early,
// and reads the text that follows each tag.
#include <VEKParser/html/doctree/HtmlDocParser.h>

#include <cstring>
#include <string>

#include <VEKParser/host/IsAlphaClass.h>
#include <VEKParser/host/StringFunctions.h>
#include <VEKParser/html/vocabulary/NamedCharacters.h>

#include "html/doctree/DocParserCodes.h"

namespace VEKParser {

using namespace doctree;

namespace {

// A "<" that starts markup rather than text: a letter or one of "/!%?" follows it.
bool OpensMarkup(const char* text, std::size_t at, std::size_t length) noexcept
{
    if (at + 1 >= length) return false;
    const auto next = static_cast<unsigned char>(text[at + 1]);
    return VEK::IsAlphaClass::ms_ISALPHA[next] || next == '/' || next == '!' || next == '%' || next == '?';
}

std::size_t FindMarkupStart(const char* text, std::size_t length) noexcept
{
    // Tag texts start with their "<".
    if (length > 0 && text[0] == '<' && OpensMarkup(text, 0, length)) return 0;
    for (const char* p = static_cast<const char*>(std::memchr(text, '<', length)); p != nullptr;
         p = static_cast<const char*>(std::memchr(p + 1, '<', length - static_cast<std::size_t>(p + 1 - text)))) {
        const auto at = static_cast<std::size_t>(p - text);
        if (OpensMarkup(text, at, length)) return at;
        if (at + 1 >= length) break;
    }
    return std::string::npos;
}

bool IsContainer(const KeywordInfo& info) noexcept
{
    return !info.m_bSkipContent && !info.m_bHasParams && !info.m_bEmpty;
}

} // namespace

unsigned int HtmlDocParser::RecursiveParse(NodeVector& children, bool allowTableReentry, bool,
                                           const KeywordInfo* emulate)
{
    if (m_OpenKeywords.size() > kMaxOpenKeywords) return CODE_TOO_DEEP;
    if (emulate != nullptr) return ParseElement(children, emulate, true);
    if (m_bReplay) return ParseElement(children, nullptr, false);

    const KeywordInfo* info = m_Table.LookUpTagText(m_pScanner->GetKeywordBuffer(), m_pScanner->GetKeywordLength());
    if (info == nullptr) return ParseUnknownTag(children);
    if (allowTableReentry && IsTableChild(*info)) return CODE_TABLE_REENTRY;
    if (info->m_bMeta) RepairMetaTag(*info);
    if (info->m_bParseMetaInfo) ParseMetaInfo(KeywordText());
    if (info->m_bSkipContent && !HandleSkip(*info)) return CODE_END_OF_INPUT;
    if (!IsContainer(*info)) return ParseLeafTag(children, *info);
    return ParseElement(children, info, false);
}

// Table parts met where no table is open would get a table emulated around them at the top
// level; the open entries are matched by their end texts.
bool HtmlDocParser::IsTableChild(const KeywordInfo& info) const
{
    if (!info.m_bTableChild) return false;
    for (const KeywordInfo* open : m_OpenKeywords) {
        if (VEK::NoCase::IsEqual(open->m_sEndTag, HtmlKeywordTable::m_sMASTER_TABLE_TAG)) return true;
    }
    return false;
}

// Such tags never enter the stack of open elements.
unsigned int HtmlDocParser::ParseLeafTag(NodeVector& children, const KeywordInfo& info)
{
    const unsigned int code = info.m_bSkipContent ? CODE_SKIPPED : CODE_LEAF;
    if (info.m_bEmpty) {
        Node* node = nullptr;
        NodeVector hidden;
        AddTreeNode(node, children, hidden, info, false);
        if (!hidden.empty()) children.back()->m_Children.Adopt(hidden);
    } else if (info.m_bHasParams) {
        ParseParam(info, children, nullptr);
    }
    return code;
}

// Unknown tag texts leave no node of their own; what precedes an embedded tag start (or the
// whole text, when there is none) stays as text of the enclosing element.
unsigned int HtmlDocParser::ParseUnknownTag(NodeVector& children)
{
    const char* tag = m_pScanner->GetKeywordBuffer();
    const std::uint32_t length = m_pScanner->GetKeywordLength();
    const std::size_t start = FindMarkupStart(tag, length);
    // Most unknown tags (span, code, body) are markup from their first byte: no text precedes them.
    if (start == 0) return CODE_UNKNOWN;
    std::string candidate(tag, start == std::string::npos ? length : start);
    unsigned int code = CODE_UNKNOWN;
    if (start == std::string::npos) {
        candidate.push_back('>');
    } else if (start > 0) {
        m_pScanner->SetKeyword(tag + start, length - static_cast<std::uint32_t>(start));
        code = CODE_PENDING;
    }
    std::string text;
    VEK::BeautifyString(candidate, text, false, false);
    if (text.empty() || (m_bLastSpace && text == " ")) return code;
    const std::uint32_t position = m_pScanner->GetPosition() + 1;
    const auto size = static_cast<std::uint32_t>(text.size());
    AppendTextNode(children, OrphanTextName(), text.data(), size, position > size ? position - size : 0,
                   static_cast<std::uint32_t>(candidate.size()));
    return code;
}

// A "<" inside an attribute value cuts a meta tag short at the fetch; the pieces are joined
// again unless the "<" starts a tag that ends the meta tag.
void HtmlDocParser::RepairMetaTag(const KeywordInfo& info)
{
    std::string text(KeywordText());
    for (;;) {
        const char* tag = m_pScanner->GetKeywordBuffer();
        const std::uint32_t length = m_pScanner->GetKeywordLength();
        const auto* last = static_cast<const char*>(::memrchr(tag, '<', length));
        if (last == nullptr || last == tag) break;
        const auto cut = static_cast<std::uint32_t>(last - tag);
        const std::string rest(last, length - cut);
        const auto restLength = static_cast<unsigned int>(rest.size());
        if (HtmlKeywordTable::IsHtmlKeyword(rest) &&
            HtmlKeywordTable::CompareKeywords(rest.data(), restLength, info, nullptr) == CMP_END) {
            m_pScanner->SetKeywordLength(cut);
            text.resize(text.size() - rest.size());
            continue;
        }
        text.push_back('>');
        if (!m_pScanner->Fetch(1, false, true) || !FetchTagRest()) return;
        text.append(m_pScanner->GetKeywordBuffer(), m_pScanner->GetKeywordLength());
    }
    if (WipeEmbeddedTag(text) && text.size() < VEKFile::BinaryStreamParser::KEYWORD_SIZE)
        m_pScanner->SetKeyword(text.data(), static_cast<std::uint32_t>(text.size()));
}

// While the element is open its node is the last of `children`, and its scratch is given to it
// however the element ends.
unsigned int HtmlDocParser::ParseElement(NodeVector& children, const KeywordInfo* info, bool emulated)
{
    const std::uint32_t depth = m_uDepth;
    if (depth == kMaxDepth) return CODE_TOO_DEEP;
    NodeVector& own = m_OpenChildren[depth];
    m_uDepth = depth + 1;
    try {
        const unsigned int code = OpenElement(children, own, info, emulated);
        CloseElement(children, own, depth);
        return code;
    } catch (...) {
        CloseElement(children, own, depth);
        throw;
    }
}

void HtmlDocParser::CloseElement(NodeVector& children, NodeVector& own, std::uint32_t depth)
{
    m_uDepth = depth;
    if (!own.empty()) children.back()->m_Children.Adopt(own);
}

unsigned int HtmlDocParser::OpenElement(NodeVector& children, NodeVector& own, const KeywordInfo* info,
                                        bool emulated)
{
    Node* element = nullptr;
    std::size_t ownIndex = 0;
    const bool replayed = m_bReplay;
    if (replayed) {
        // The elements an early end tag closed are created again, each inside the previous.
        ownIndex = m_uReplayIndex;
        info = m_OpenKeywords[m_uReplayIndex++];
        if (m_uReplayIndex == m_OpenKeywords.size()) {
            m_bReplay = false;
            m_OpenKeywords.pop_back();
        }
    }
    if (emulated && !replayed) {
        EmulateMissingKeyword(element, children, *info);
    } else if (!AddTreeNode(element, children, own, *info, false) && !m_bReplay && !emulated) {
        return CODE_END_OF_INPUT;
    }
    if (element == nullptr) return CODE_END_OF_INPUT;
    if (!m_bReplay) {
        m_OpenKeywords.push_back(info);
        ownIndex = m_OpenKeywords.size() - 1;
    }
    return ParseElementContent(children, own, *info, ownIndex, emulated && !replayed);
}

// `children` holds the element as its last node. An emulated element exists for the pending
// tag text, so it handles that tag even when the tag would end it: otherwise a tag such as
// "<td/>" in a row would end each cell emulated for it, and the row would emulate the next.
unsigned int HtmlDocParser::ParseElementContent(NodeVector& children, NodeVector& own, const KeywordInfo& info,
                                                std::size_t ownIndex, bool emulated)
{
    CmpResult cmp = CMP_NONE;
    std::string missing;
    for (bool first = true;; first = false) {
        cmp = CMP_NONE;
        if (!m_bReplay) {
            cmp = HtmlKeywordTable::CompareKeywords(m_pScanner->GetKeywordBuffer(), m_pScanner->GetKeywordLength(),
                                                    info, &missing);
            if (cmp == CMP_END && emulated && first) cmp = CMP_NONE;
            if (cmp == CMP_END) break;
            if (cmp == CMP_NONE && FindUnwindTarget()) break;
        }
        const unsigned int sub = ParseChild(own, info, cmp, missing);
        if (m_bReplay) continue;
        if (m_bUnwind) {
            if (ownIndex == m_uReplayIndex) {
                m_OpenKeywords.erase(m_OpenKeywords.begin() + static_cast<std::ptrdiff_t>(ownIndex));
                m_bReplay = true;
                m_bUnwind = false;
            }
            break;
        }
        if (sub == CODE_TOO_DEEP || sub == CODE_END_OF_INPUT) {
            if (!m_OpenKeywords.empty()) m_OpenKeywords.pop_back();
            return sub;
        }
        if (sub == CODE_PENDING) continue;
        const bool textFollows = (info.m_bHasEndTag && sub == CODE_UNCLOSED) || info.m_bTableContainer ||
                                 (sub >= CODE_CLOSED && sub <= CODE_UNKNOWN);
        if (!textFollows) {
            if (!FetchTagRest()) break;
            continue;
        }
        // The text after the child is this element's, in a further text block.
        Node* self = nullptr;
        if (!AddTreeNode(self, children, own, info, true)) {
            if (!m_OpenKeywords.empty()) m_OpenKeywords.pop_back();
            return CODE_END_OF_INPUT;
        }
    }
    if (!m_bUnwind && !m_bReplay && !m_OpenKeywords.empty()) m_OpenKeywords.pop_back();
    if (cmp != CMP_END) return CODE_UNCLOSED;
    return VEK::NoCase::Compare(m_pScanner->GetKeywordBuffer(), m_pScanner->GetKeywordLength(), info.m_sEndTag.data(),
                                info.m_sEndTag.size()) == 0
               ? CODE_CLOSED
               : CODE_PENDING;
}

unsigned int HtmlDocParser::ParseChild(NodeVector& own, const KeywordInfo& info, CmpResult cmp,
                                       const std::string& missing)
{
    if (cmp == CMP_MISSING) {
        if (const KeywordInfo* level = m_Table.LookUpTagText(missing.data(), static_cast<unsigned int>(missing.size())))
            return RecursiveParse(own, false, level->m_bPreformatted, level);
    }
    return RecursiveParse(own, info.m_bPreformatted, false, nullptr);
}

// An end tag of an element open further out closes everything down to it; the elements open
// inside that one are re-opened after it.
bool HtmlDocParser::FindUnwindTarget()
{
    const char* tag = m_pScanner->GetKeywordBuffer();
    const std::uint32_t length = m_pScanner->GetKeywordLength();
    if (length < 2 || tag[0] != '<' || tag[1] != '/') return false;
    for (std::size_t i = m_OpenKeywords.size(); i-- > 0;) {
        const std::string& end = m_OpenKeywords[i]->m_sEndTag;
        // Texts of different lengths never compare equal.
        if (end.size() != length || VEK::NoCase::Compare(tag, length, end.data(), end.size()) != 0) continue;
        m_uReplayIndex = static_cast<std::uint32_t>(i);
        m_bUnwind = true;
        return true;
    }
    return false;
}

bool HtmlDocParser::AddTreeNode(Node*& out, NodeVector& children, NodeVector& own, const KeywordInfo& info,
                                bool textOnly)
{
    out = nullptr;
    if (!m_bReplay && !info.m_bEmpty && m_pScanner->GetCurrentChar() != '<' && !m_pScanner->Fetch(1, false, false))
        return false;
    const KeywordID id = IdOf(info);
    if (!textOnly) {
        Node& node = AppendNode(children, KeywordName(info), info.m_uKeyword, m_uCurrentOffset);
        node.m_uRawSize = m_pScanner->GetPosition() - m_uCurrentOffset;
        if (!m_bReplay && !HtmlKeywordTable::FindParamInfo(id).empty()) ParseParam(info, own, &node);
    }
    if (children.empty()) return false;
    Node& element = *children.back();
    if (info.m_bEmpty || m_bReplay) {
        out = &element;
        return true;
    }

    const bool fetched = id == KW_TITLE ? ReadTitleText(own, info) : ReadElementText(own, info);
    if (fetched) out = &element;
    return fetched;
}

bool HtmlDocParser::ReadElementText(NodeVector& own, const KeywordInfo& info)
{
    const std::uint32_t offset = m_pScanner->GetPosition();
    bool found = false;
    std::string_view text = m_pScanner->FetchText('<', *m_TextBuffer, found);
    // Preformatted elements keep their white space as written.
    const bool blankOnly = !info.m_bPreformatted && BeautifyString(text);
    m_uCurrentOffset = m_pScanner->GetPosition();
    if (!text.empty() && !(m_bLastSpace && blankOnly)) AddText(own, text, offset, m_uCurrentOffset - offset, false);
    return found && FetchTagRest();
}

// The whole title up to its end text is its text, markup included; fragments of known tags
// are wiped from it afterwards.
bool HtmlDocParser::ReadTitleText(NodeVector& own, const KeywordInfo& info)
{
    const std::uint32_t offset = m_pScanner->GetPosition();
    VEKFile::MemoryBuffer& buffer = *m_TextBuffer;
    buffer.Clear();
    bool found = m_pScanner->FetchData(info.m_sEndTag, false, 0, &buffer, nullptr, true, true);
    if (found) m_pScanner->Fetch(1, false, true);
    m_uCurrentOffset = m_pScanner->GetPosition();
    const std::uint32_t rawSize = m_uCurrentOffset - offset;
    found = found && FetchTagRest();
    if (buffer.Size() != 0) {
        const std::string raw(reinterpret_cast<const char*>(buffer.Data()), buffer.Size());
        std::string text;
        VEK::BeautifyString(raw, text, true, false);
        WipeEmbeddedTag(text);
        if (!text.empty()) AddText(own, text, offset, rawSize, true);
    }
    // The enclosing loop sees the end of the title next.
    m_pScanner->SetKeyword(info.m_sEndTag.data(), static_cast<std::uint32_t>(info.m_sEndTag.size()));
    return found;
}

// Only the first title reaches the tree and the summary.
void HtmlDocParser::AddText(NodeVector& own, std::string_view text, std::uint32_t offset, std::uint32_t rawSize,
                            bool title)
{
    if (!title || !m_bTitleSeen) {
        AppendTextNode(own, TagTextName(), text.data(), static_cast<std::uint32_t>(text.size()), offset,
                       rawSize);
    }
    if (!title) return;
    m_bTitleSeen = true;
    HtmlDocTree::DocSummaryInformation& summary = m_Tree.m_Summary;
    if (m_Tree.m_Charset != VEK::CHARSET_UNKNOWN && summary.m_sTitle.empty()) {
        ExpandCharacterReferences(m_Tree.m_Charset, text.data(), static_cast<unsigned int>(text.size()),
                                  summary.m_sTitle, false);
    }
}

void HtmlDocParser::EmulateMissingKeyword(Node*& out, NodeVector& children, const KeywordInfo& info)
{
    out = &AppendNode(children, KeywordName(info), info.m_uKeyword, 0);
}

HtmlDocParser::Node& HtmlDocParser::AppendNode(NodeVector& children, const char* name, std::uint32_t keyword,
                                               std::uint32_t offset)
{
    VEK::RefCount<Node> holder = VEK::MakeRefCount<Node>();
    Node& node = *holder;
    node.m_pTagName = name;
    node.m_uKeyword = keyword;
    node.m_uOffset = offset;
    node.m_pTree = &m_Tree;
    children.push_back(std::move(holder));
    return node;
}

void HtmlDocParser::AppendTextNode(NodeVector& children, const char* name, const char* text, std::uint32_t size,
                                   std::uint32_t offset, std::uint32_t rawSize)
{
    StringPool& pool = m_Tree.m_StringPool;
    Node& node = AppendNode(children, name, kTextNodeKeyword, offset);
    node.m_uRawSize = rawSize;
    node.m_pText = pool.Store(text, size, size <= kShortText);
    node.m_uTextSize = size;
    m_bLastSpace = text[size - 1] == ' ';
    ++m_Tree.m_uNodeNumber;
}

// The records that share an id share its name ("<p" and "</p"); a record of another name met
// under an id takes its slot.
const char* HtmlDocParser::KeywordName(const KeywordInfo& info)
{
    const std::size_t id = IdOf(info);
    const KeywordInfo* named = m_NamedKeywords[id];
    if (named != &info && (named == nullptr || named->m_sName != info.m_sName)) {
        m_NamedKeywords[id] = &info;
        m_KeywordNames[id] = m_Tree.m_StringPool.Store(info.m_sName, true);
    }
    return m_KeywordNames[id];
}

const char* HtmlDocParser::OrphanTextName() { return PooledOnce(kOrphanTextName, m_pOrphanTextName); }

const char* HtmlDocParser::TagTextName() { return PooledOnce(kTagTextName, m_pTagTextName); }

const char* HtmlDocParser::PooledOnce(std::string_view name, const char*& pooled)
{
    if (pooled == nullptr)
        pooled = m_Tree.m_StringPool.Store(name.data(), static_cast<std::uint32_t>(name.size()), true);
    return pooled;
}

// Names are shared within one parse only, as the pool's cache is.
void HtmlDocParser::ForgetPooledNames() noexcept
{
    m_NamedKeywords.fill(nullptr);
    m_pOrphanTextName = m_pTagTextName = nullptr;
}

} // namespace VEKParser
