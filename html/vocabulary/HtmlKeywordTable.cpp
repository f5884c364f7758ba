#include <VEKParser/html/vocabulary/HtmlKeywordTable.h>

#include <algorithm>
#include <atomic>
#include <cstring>

#include <VEKParser/host/CriticalSection.h>
#include <VEKParser/host/StringFunctions.h>

#include "TagText.h"

namespace VEKParser {

const staticKeywordInfo HtmlKeywordTable::m_sDEFAULT_PRT[] = {
    {"<title", "title", "</title", 0x0100, 0x001},
    {"<pre", "pre", "</pre", 0x0036, 0x015},
    {"<h1", "h1", "</h1", 0x020C, 0x001},
    {"<h2", "h2", "</h2", 0x0212, 0x001},
    {"<h3", "h3", "</h3", 0x0428, 0x001},
    {"<h4", "h4", "</h4", 0x042A, 0x001},
    {"<h5", "h5", "</h5", 0x042C, 0x001},
    {"<h6", "h6", "</h6", 0x042E, 0x001},
    {"<a", "a", "</a", 0x101F, 0x001},
    {"<img", "img", "</img", 0x0218, 0x000},
    {"<b", "b", "</b", 0x0424, 0x001},
    {"<big", "big", "</big", 0x0206, 0x001},
    {"<strong", "strong", "</strong", 0x041D, 0x001},
    {"<i", "i", "</i", 0x0822, 0x001},
    {"<em", "em", "</em", 0x0833, 0x001},
    {"<address", "address", "</address", 0x0801, 0x001},
    {"<cite", "cite", "</cite", 0x0807, 0x001},
    {"<dfn", "dfn", "</dfn", 0x080D, 0x001},
    {"<var", "var", "</var", 0x0813, 0x001},
    {"<u", "u", "</u", 0x1019, 0x001},
    {"<sup", "sup", "</sup", 0x003B, 0x001},
    {"<sub", "sub", "</sub", 0x003C, 0x001},
    {"<dd", "dd", "</dd", 0x0041, 0x001},
    {"<dt", "dt", "</dt", 0x003F, 0x001},
    {"<dl", "dl", "</dl", 0x0040, 0x001},
    {"<blockquote", "blockquote", "</blockquote", 0x003D, 0x001},
    {"<meta", "meta", ">", 0x0037, 0x282},
    {"<base", "base", ">", 0x000E, 0x002},
    {"<frame", "frame", ">", 0x0014, 0x000},
    {"<form", "form", "</form", 0x001A, 0x005},
    {"<area", "area", ">", 0x0020, 0x000},
    {"<iframe", "iframe", "</iframe", 0x0004, 0x001},
    {"<link", "link", ">", 0x000A, 0x000},
    {"<p", "p", "</p", 0x0016, 0x008},
    {"</p", "p", "</p", 0x0016, 0x008},
    {"<br", "br", "</br", 0x001C, 0x008},
    {"</br", "br", "</br", 0x001C, 0x008},
    {"<hr", "hr", "</hr", 0x0031, 0x008},
    {"<table", "table", "</table", 0x0032, 0x025},
    {"<thead", "thead", "</thead", 0x0227, 0x104},
    {"<tbody", "tbody", "</tbody", 0x0003, 0x104},
    {"<tfoot", "tfoot", "</tfoot", 0x0009, 0x104},
    {"<tr", "tr", "</tr", 0x000F, 0x104},
    {"<th", "th", "</th", 0x0215, 0x100},
    {"<td", "td", "</td", 0x001B, 0x100},
    {"<menu", "menu", "</menu", 0x0035, 0x008},
    {"<center", "center", "</center", 0x0221, 0x001},
    {"<div", "div", "</div", 0x0005, 0x001},
    {"<dir", "dir", "</dir", 0x003E, 0x001},
    {"<ol", "ol", "</ol", 0x000B, 0x001},
    {"<ul", "ul", "</ul", 0x0011, 0x001},
    {"<li", "li", "</li", 0x0017, 0x000},
    {"<select", "select", "</select", 0x0010, 0x001},
    {"<option", "option", "</option", 0x0045, 0x000},
    {"<%", "asp", "%>", 0x003A, 0x041},
    {"<script", "script", "</script", 0x0023, 0x041},
    {"<strike", "strike", "</strike", 0x0026, 0x041},
    {"<style", "style", "</style", 0x0002, 0x041},
    {"<?xml", "XML", ">", 0x0039, 0x041},
    {"<!--", "comment", "-->", 0x0008, 0x041},
    {"<applet", "applet", "</applet", 0x0029, 0x041},
    {"<bdo", "bdo", "</bdo", 0x002B, 0x041},
    {"<del", "del", "</del", 0x002D, 0x041},
    {"<object", "object", "</object", 0x002F, 0x041},
    {"<s", "s", "</s", 0x0030, 0x041},
    {"<noframes", "noframes", "</noframes", 0x0038, 0x041},
};
const unsigned int HtmlKeywordTable::m_sDEFAULT_SIZE = sizeof(m_sDEFAULT_PRT) / sizeof(m_sDEFAULT_PRT[0]);

const staticKeywordInfo HtmlKeywordTable::m_sNOTAG_PRT[] = {
    {"<meta", "meta", ">", 0x0037, 0x082},
    {"<applet", "applet", "</applet", 0x0029, 0x041},
    {"<bdo", "bdo", "</bdo", 0x002B, 0x041},
    {"<del", "del", "</del", 0x002D, 0x041},
    {"<object", "object", "</object", 0x002F, 0x041},
    {"<noframes", "noframes", "</noframes", 0x0038, 0x041},
    {"<s", "s", "</s", 0x0030, 0x041},
    {"<script", "script", "</script", 0x0023, 0x041},
    {"<strike", "strike", "</strike", 0x0026, 0x041},
    {"<style", "style", "</style", 0x0002, 0x041},
    {"<?xml", "XML", ">", 0x0039, 0x041},
    {"<!--", "comment", "-->", 0x0008, 0x041},
};
const unsigned int HtmlKeywordTable::m_sNOTAG_SIZE = sizeof(m_sNOTAG_PRT) / sizeof(m_sNOTAG_PRT[0]);

const staticKeywordInfo HtmlKeywordTable::m_sCHANGEDETECTOR_PRT[] = {
    {"<title", "title", "</title", 0x0100, 0x001},
    {"<a", "a", "</a", 0x001F, 0x001},
    {"<link", "link", "</link", 0x000A, 0x001},
    {"<img", "img", "</img", 0x0018, 0x000},
    {"<VantorelChanges", "VantorelChanges", "</VantorelChanges", 0x0046, 0x001},
    {"<meta", "meta", ">", 0x0037, 0x082},
    {"<base", "base", ">", 0x000E, 0x002},
    {"<frame", "frame", ">", 0x0014, 0x002},
    {"<form", "form", ">", 0x001A, 0x002},
    {"<area", "area", ">", 0x0020, 0x002},
    {"<iframe", "iframe", ">", 0x0004, 0x002},
    {"<p", "p", "</p", 0x0016, 0x008},
    {"</p", "p", "</p", 0x0016, 0x008},
    {"<br", "br", "</br", 0x001C, 0x008},
    {"</br", "br", "</br", 0x001C, 0x008},
    {"<hr", "hr", "</hr", 0x0031, 0x008},
    {"<table", "table", "</table", 0x0032, 0x025},
    {"<thead", "thead", "</thead", 0x0227, 0x104},
    {"<tbody", "tbody", "</tbody", 0x0003, 0x104},
    {"<tfoot", "tfoot", "</tfoot", 0x0009, 0x104},
    {"<tr", "tr", "</tr", 0x000F, 0x104},
    {"<th", "th", "</th", 0x0215, 0x100},
    {"<td", "td", "</td", 0x001B, 0x100},
    {"<menu", "menu", "</menu", 0x0035, 0x008},
    {"<center", "center", "</center", 0x0221, 0x009},
    {"<div", "div", "</div", 0x0005, 0x009},
    {"<ol", "ol", "</ol", 0x000B, 0x009},
    {"<ul", "ul", "</ul", 0x0011, 0x009},
    {"<li", "li", "</li", 0x0017, 0x008},
    {"<select", "select", "</select", 0x0010, 0x041},
    {"<option", "option", "</option", 0x0045, 0x041},
    {"<script", "script", "</script", 0x0023, 0x041},
    {"<strike", "strike", "</strike", 0x0026, 0x041},
    {"<style", "style", "</style", 0x0002, 0x041},
    {"<?xml", "XML", ">", 0x0039, 0x041},
    {"<!--", "comment", "-->", 0x0008, 0x001},
    {"<applet", "applet", "</applet", 0x0029, 0x041},
    {"<bdo", "bdo", "</bdo", 0x002B, 0x041},
    {"<del", "del", "</del", 0x002D, 0x041},
    {"<object", "object", "</object", 0x002F, 0x041},
    {"<s", "s", "</s", 0x0030, 0x041},
    {"<noframes", "noframes", "</noframes", 0x0038, 0x041},
};
const unsigned int HtmlKeywordTable::m_sCHANGEDETECTOR_SIZE =
    sizeof(m_sCHANGEDETECTOR_PRT) / sizeof(m_sCHANGEDETECTOR_PRT[0]);

const char* const HtmlKeywordTable::m_sALL_TAG_LIST[] = {
    "a", "acronym", "address", "applet", "area", "b", "base", "basefont", "bdo", "big", "blockquote",
    "body", "br", "button", "caption", "center", "cite", "code", "col", "colgroup", "vantorelchanges",
    "vantorelquery", "dd", "del", "dfn", "dir", "div", "dl", "dt", "em", "fieldset", "font", "form",
    "frame", "frameset", "h1", "h2", "h3", "h4", "h5", "h6", "head", "hr", "html", "i", "iframe", "img",
    "input", "ins", "isindex", "kbd", "label", "legend", "li", "link", "map", "menu", "meta", "noframes",
    "noscript", "object", "ol", "option", "p", "param", "pre", "q", "s", "samp", "script", "select",
    "small", "span", "strike", "strong", "style", "sub", "sup", "table", "tbody", "td", "textarea",
    "tfoot", "th", "thead", "title", "tr", "tt", "u", "ul", "var",
};
const unsigned int HtmlKeywordTable::m_sALL_TAG_LIST_SIZE = sizeof(m_sALL_TAG_LIST) / sizeof(m_sALL_TAG_LIST[0]);

const std::string HtmlKeywordTable::m_sMASTER_TABLE_TAG = "<table";

namespace {

// Where a tag stands in a table; CompareKeywords uses it to nest, end or emulate table levels.
struct TableStructure {
    const char* m_pName;
    int m_iLevel;
    bool m_bParentRequired;
    const char* m_pParent;
};

constexpr TableStructure kTableStructure[] = {
    {"table", 0, false, ""}, {"thead", 1, false, ""}, {"tbody", 1, false, ""}, {"tfoot", 1, false, ""},
    {"tr", 2, false, ""},    {"th", 3, true, "<tr"},  {"td", 3, true, "<tr"},
};

// Byte-wise order of names, compared inline: the names are a few characters long, and a call to
// memcmp at each step of a search cost more than the step itself.
struct ShortNameLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept
    {
        const std::size_t n = std::min(a.size(), b.size());
        for (std::size_t i = 0; i < n; ++i)
            if (a[i] != b[i]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]);
        return a.size() < b.size();
    }
};

std::map<std::string, const TableStructure*, ShortNameLess> s_TableStructureMap;
std::atomic<bool> s_bTableStructureBuilt{false};
VEKThread::CriticalSection s_TableStructureLock(4000);

constexpr bool EveryTableStructureNameStartsWithT()
{
    for (const TableStructure& row : kTableStructure)
        if (row.m_pName[0] != 't') return false;
    return true;
}
static_assert(EveryTableStructureNameStartsWithT());

constexpr std::size_t LongestTableStructureName()
{
    std::size_t longest = 0;
    for (const TableStructure& row : kTableStructure) longest = std::max(longest, std::string_view(row.m_pName).size());
    return longest;
}
constexpr std::size_t kLongestTableStructureName = LongestTableStructureName();

// Whether the first min(|reference|, |text|) characters of both agree, `text` lower-cased. The
// texts are short and mostly differ in their second character, so a plain loop beats memcmp.
bool PrefixAgrees(std::string_view text, std::string_view reference) noexcept
{
    const std::size_t n = std::min(reference.size(), text.size());
    for (std::size_t i = 0; i < n; ++i)
        if (VocabularyText::LowerAscii(text[i]) != reference[i]) return false;
    return true;
}

// Whether a row of the structure table has the length and the first two characters of `key`.
bool MayBeTableStructure(std::string_view key) noexcept
{
    for (const TableStructure& row : kTableStructure) {
        const std::string_view known(row.m_pName);
        if (known.size() == key.size() && known[0] == key[0] && known[1] == key[1]) return true;
    }
    return false;
}

// `key` lower-case.
const TableStructure* LookUpTableStructure(std::string_view key)
{
    if (!MayBeTableStructure(key)) return nullptr;
    VEKThread::OnceUnder(s_TableStructureLock, s_bTableStructureBuilt, [] {
        for (const TableStructure& row : kTableStructure) s_TableStructureMap.emplace(row.m_pName, &row);
    });
    const auto it = s_TableStructureMap.find(key);
    return it == s_TableStructureMap.end() ? nullptr : it->second;
}

// `name` as written in a tag text, compared lower-cased. Asked for the new tag of every
// comparison: most names are ruled out here, inline, without searching the map.
inline const TableStructure* FindTableStructure(std::string_view name)
{
    if (name.size() < 2 || name.size() > kLongestTableStructureName || VocabularyText::LowerAscii(name[0]) != 't')
        return nullptr;
    char lowered[kLongestTableStructureName];
    VocabularyText::CopyLowerAscii(name.data(), name.size(), lowered);
    return LookUpTableStructure(std::string_view(lowered, name.size()));
}

// Where the open keyword stands in a table, from its begin text, which is lower-case already.
// Asked for every tag met inside a cell or row.
const TableStructure* OpenTableStructure(const KeywordInfo& open)
{
    const std::string_view begin(open.m_sBeginTag);
    if (begin.size() < 3 || begin.size() > kLongestTableStructureName + 1 || begin[1] != 't') return nullptr;
    return LookUpTableStructure(begin.substr(1));
}

// Longest tag text prefix that takes part in a lookup.
constexpr unsigned int kKeyLimit = 64;

// Whether `reference` differs within its first two characters from a text that starts with
// `first` and `second` (both lower-case).
bool DiffersInFirstTwo(char first, char second, std::string_view reference) noexcept
{
    if (reference.empty()) return false;
    return first != reference[0] || (reference.size() >= 2 && second != reference[1]);
}

// Most tags met inside an element with an end text of its own neither end it nor are table
// parts: their first two characters tell, so CompareKeywords answers CMP_NONE for them
// without finding where the tag name ends. `length` is at least 2.
bool IsPlainTagIn(const char* text, unsigned int length, const KeywordInfo& open) noexcept
{
    if (!open.m_bHasEndTag || VocabularyText::IsBlank(text[0]) || VocabularyText::IsBlank(text[1])) return false;
    const char first = VocabularyText::LowerAscii(text[0]);
    const char second = VocabularyText::LowerAscii(text[1]);
    const unsigned int nameAt = second == '/' ? 2 : 1;
    const bool mayBeTablePart = nameAt < length && VocabularyText::LowerAscii(text[nameAt]) == 't';
    return !mayBeTablePart && DiffersInFirstTwo(first, second, open.m_sEndTag) &&
           DiffersInFirstTwo(first, second, open.m_sBeginTag);
}

// The first eight characters of a key, lower-cased and zero-padded, as one word.
std::uint64_t HeadOf(const char* key, std::size_t length) noexcept
{
    std::uint64_t word = 0;
    const std::size_t n = std::min<std::size_t>(length, sizeof word);
    for (std::size_t i = 0; i < n; ++i)
        word |= std::uint64_t{static_cast<unsigned char>(VocabularyText::LowerAscii(key[i]))} << (8 * i);
    return word;
}

// Whether `text` from its ninth character on equals `key` (lower-case) there, `text` lower-cased.
bool SameTail(const char* text, std::string_view key) noexcept
{
    for (std::size_t i = sizeof(std::uint64_t); i < key.size(); ++i)
        if (VocabularyText::LowerAscii(text[i]) != key[i]) return false;
    return true;
}

// An ASCII case-insensitive comparison of at most `n` characters that stops where either text
// ends, as a C string comparison does.
bool EqualNoCaseUpTo(const char* name, std::string_view text, std::size_t n) noexcept
{
    for (std::size_t i = 0; i < n; ++i) {
        const char a = VocabularyText::LowerAscii(name[i]);
        const char b = i < text.size() ? VocabularyText::LowerAscii(text[i]) : '\0';
        if (a != b) return false;
        if (a == '\0') return true;
    }
    return true;
}

} // namespace

HtmlKeywordTable::HtmlKeywordTable(PrtType type)
{
    switch (type) {
    case DEFAULT_PRT: FillKeywordTable(m_sDEFAULT_PRT, m_sDEFAULT_SIZE); break;
    case NOTAG_PRT: FillKeywordTable(m_sNOTAG_PRT, m_sNOTAG_SIZE); break;
    case CHANGEDETECTOR_PRT: FillKeywordTable(m_sCHANGEDETECTOR_PRT, m_sCHANGEDETECTOR_SIZE); break;
    }
    BuildTextIndex();
}

HtmlKeywordTable::~HtmlKeywordTable() = default;

bool HtmlKeywordTable::FillKeywordTable(const staticKeywordInfo* rows, unsigned int count)
{
    for (unsigned int i = 0; i < count; ++i) {
        const staticKeywordInfo& row = rows[i];
        VEK::RefCount<KeywordInfo> info(new KeywordInfo);
        info->m_sName = VEK::ToLower(row.m_pName);
        info->m_sBeginTag = VEK::ToLower(row.m_pBeginTag);
        info->m_sEndTag = VEK::ToLower(row.m_pEndTag);
        info->m_uKeyword = row.m_uKeyword;
        info->m_bHasEndTag = (row.m_uFlags & 0x001) != 0;
        info->m_bHasParams = (row.m_uFlags & 0x002) != 0;
        info->m_bTableContainer = (row.m_uFlags & 0x004) != 0;
        info->m_bEmpty = (row.m_uFlags & 0x008) != 0;
        info->m_bPreformatted = (row.m_uFlags & 0x010) != 0;
        info->m_bTable = (row.m_uFlags & 0x020) != 0;
        info->m_bSkipContent = (row.m_uFlags & 0x040) != 0;
        info->m_bMeta = (row.m_uFlags & 0x080) != 0;
        info->m_bTableChild = (row.m_uFlags & 0x100) != 0;
        info->m_bParseMetaInfo = (row.m_uFlags & 0x200) != 0;
        m_KeywordTextMap.emplace(info->m_sBeginTag, info);
        m_KeywordIdMap.emplace(static_cast<KeywordID>(row.m_uKeyword & 0xFF), info);
    }
    return true;
}

std::size_t HtmlKeywordTable::SlotOf(std::uint64_t head, std::size_t length) noexcept
{
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
    return static_cast<std::size_t>(((head ^ length) * kMultiplier) >> 56) & (kTextSlots - 1);
}

void HtmlKeywordTable::BuildTextIndex()
{
    m_TextIndex.reserve(m_KeywordTextMap.size());
    for (const auto& [key, info] : m_KeywordTextMap) {
        m_TextIndex.push_back(TextIndexEntry{key, HeadOf(key.data(), key.size()), &info});
        std::size_t slot = SlotOf(m_TextIndex.back().m_uHead, key.size());
        while (m_TextSlots[slot] != 0) slot = (slot + 1) & (kTextSlots - 1);
        m_TextSlots[slot] = static_cast<std::uint8_t>(m_TextIndex.size());
    }
}

// The map entry whose key is `text` lower-cased, or null.
const VEK::RefCount<KeywordInfo>* HtmlKeywordTable::FindText(const char* text, std::size_t length) const noexcept
{
    const std::uint64_t head = HeadOf(text, length);
    for (std::size_t slot = SlotOf(head, length); m_TextSlots[slot] != 0; slot = (slot + 1) & (kTextSlots - 1)) {
        const TextIndexEntry& entry = m_TextIndex[m_TextSlots[slot] - 1u];
        if (entry.m_uHead == head && entry.m_Key.size() == length && SameTail(text, entry.m_Key)) return entry.m_pInfo;
    }
    return nullptr;
}

bool HtmlKeywordTable::ValidateKeyword(const char* text, unsigned int length, VEK::RefCount<KeywordInfo>& out) const
{
    const VEK::RefCount<KeywordInfo>* found = nullptr;
    if (!FindTagText(text, length, found)) return false;
    out.Reset();
    if (found != nullptr) out = *found;
    return found != nullptr;
}

const KeywordInfo* HtmlKeywordTable::LookUpTagText(const char* text, unsigned int length) const noexcept
{
    const VEK::RefCount<KeywordInfo>* found = nullptr;
    FindTagText(text, length, found);
    return found != nullptr ? found->Get() : nullptr;
}

// Whether `text` has the shape of a begin text (end texts only of "</p" and "</br"); when it
// has, `found` is the map entry of its key, or null.
bool HtmlKeywordTable::FindTagText(const char* text, unsigned int length,
                                   const VEK::RefCount<KeywordInfo>*& found) const noexcept
{
    if (length < 2 || text[0] != '<') return false;
    if (text[1] == '/') {
        const bool closingP = length >= 3 && VocabularyText::LowerAscii(text[2]) == 'p';
        const bool closingBr = length >= 4 && VocabularyText::LowerAscii(text[2]) == 'b' &&
                               VocabularyText::LowerAscii(text[3]) == 'r';
        if (!closingP && !closingBr) return false;
    }
    const unsigned int limit = std::min(length, kKeyLimit);
    // A delimiter beyond the limit cuts the key at the limit, so the search stops there.
    const std::size_t keyLength = length >= 4 && std::memcmp(text, "<!--", 4) == 0
                                      ? 4
                                      : VocabularyText::FindTagDelimiter(text, limit);
    found = FindText(text, keyLength);
    return true;
}

bool HtmlKeywordTable::FindKeywordInfo(KeywordID id, VEK::RefCount<KeywordInfo>& out) const
{
    out.Reset();
    const auto it = m_KeywordIdMap.find(id);
    if (it != m_KeywordIdMap.end()) out = it->second;
    return static_cast<bool>(out);
}

bool HtmlKeywordTable::FindKeywordInfo(const std::string& text, VEK::RefCount<KeywordInfo>& out) const
{
    out.Reset();
    const auto it = m_KeywordTextMap.find(text);
    if (it != m_KeywordTextMap.end()) out = it->second;
    return static_cast<bool>(out);
}

bool HtmlKeywordTable::IsHtmlKeyword(const std::string& text)
{
    if (text.empty()) return false;
    std::string_view rest(text);
    if (rest.front() == '/' || rest.front() == '<') rest.remove_prefix(1);
    const std::size_t delimiter = VocabularyText::FindTagDelimiter(rest.data(), rest.size());
    const std::size_t n = delimiter < rest.size() ? delimiter : text.size();
    for (unsigned int i = 0; i < m_sALL_TAG_LIST_SIZE; ++i) {
        if (EqualNoCaseUpTo(m_sALL_TAG_LIST[i], rest, n)) return true;
    }
    return false;
}

bool HtmlKeywordTable::IsKeywordID(const KeywordInfo& info, KeywordID id) noexcept
{
    return (info.m_uKeyword & 0xFF) == static_cast<std::uint32_t>(id);
}

CmpResult HtmlKeywordTable::CompareKeywords(const char* text, unsigned int length, const KeywordInfo& open,
                                            std::string* out)
{
    if (length <= 1 || IsPlainTagIn(text, length, open)) return CMP_NONE;
    // The text up to its first blank, compared lower-cased: its letters are folded where they
    // are compared, which spares a copy (the keyword texts are lower-case).
    const std::string_view copy(text, VocabularyText::FindBlank(text, std::min(length, kKeyLimit)));

    // Only a keyword without an end text of its own is ended by rule or has a level emulated
    // below it; where one with an end text stands in a table matters only for table parts.
    const TableStructure* openEntry = open.m_bHasEndTag ? nullptr : OpenTableStructure(open);
    const bool closing = copy.size() >= 2 && copy[0] == '<' && copy[1] == '/';
    const bool openEndsByRule = !open.m_bHasEndTag && !open.m_bTableContainer && openEntry == nullptr;

    if (closing && openEndsByRule) return CMP_END;
    if (PrefixAgrees(copy, open.m_sEndTag) || PrefixAgrees(copy, open.m_sBeginTag)) return CMP_END;
    if (openEndsByRule) return open.m_bMeta ? CMP_NONE : CMP_END;

    const std::string_view name = copy.substr(std::min<std::size_t>(closing ? 2 : 1, copy.size()));
    const TableStructure* newEntry = FindTableStructure(name);
    if (newEntry != nullptr) {
        if (open.m_bHasEndTag) openEntry = OpenTableStructure(open);
        if (openEntry == nullptr) return open.m_bTableContainer ? CMP_NONE : CMP_END;
        if (newEntry->m_bParentRequired && open.m_sBeginTag != newEntry->m_pParent) {
            if (out != nullptr) *out = newEntry->m_pParent;
            return CMP_MISSING;
        }
        if (newEntry->m_iLevel < openEntry->m_iLevel) return closing || newEntry->m_iLevel > 0 ? CMP_END : CMP_CHILD;
        return CMP_CHILD;
    }
    if (openEntry != nullptr) {
        const char* emulated = open.m_sName == "tr" ? "<td" : open.m_sName == "table" ? "<tr" : nullptr;
        if (emulated != nullptr) {
            if (out != nullptr) *out = emulated;
            return CMP_MISSING;
        }
    }
    return CMP_NONE;
}

} // namespace VEKParser
