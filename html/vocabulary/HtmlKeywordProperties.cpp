#include <VEKParser/html/vocabulary/HtmlKeywordTable.h>

#include <array>
#include <atomic>

#include <VEKParser/host/CriticalSection.h>

// The profile-independent properties of keywords: the spacing that separates their text and the
// tag parameters the parser retains for them.
namespace VEKParser {

namespace {

struct SpacingRow {
    KeywordID m_Id;
    const char* m_pPrefix;
    const char* m_pPostfix;
};

constexpr SpacingRow kKeywordSpaces[] = {
    {KW_ADDRESS, "\n", ""},         {KW_BLOCKQUOTE, "\n\n\t", "\n\n"}, {KW_BR, "\n", ""},
    {KW_CENTER, "\n\t", "\n"},      {KW_DIR, "\n\n\t", "\n\n"},        {KW_DIV, "\n", "\n"},
    {KW_DL, "\n\n", "\n\n"},        {KW_DT, "\n", ""},                 {KW_DD, "\n\t", ""},
    {KW_FORM, "\n\n", "\n\n"},      {KW_H1, "\n\n", "\n\n"},           {KW_H2, "\n\n", "\n\n"},
    {KW_H3, "\n\n", "\n\n"},        {KW_H4, "\n\n", "\n\n"},           {KW_H5, "\n\n", "\n\n"},
    {KW_H6, "\n\n", "\n\n"},        {KW_HR, "\n\n", ""},               {KW_LI, "\n\t", ""},
    {KW_LISTING, "\n\n", "\n\n"},   {KW_MARQUEE, "\n\t", "\n"},        {KW_MENU, "\n\n\t", "\n\n"},
    {KW_OL, "\n\n\t", "\n\n"},      {KW_OPTION, "\t", "\n"},           {KW_P, "\n\n", "\n"},
    {KW_PRE, "\n\n", "\n\n"},       {KW_SELECT, "\n\n", "\n\n"},       {KW_TABLE, "\n", "\n"},
    {KW_THEAD, "\n", "\n"},         {KW_TBODY, "\n", "\n"},            {KW_TFOOT, "\n", "\n"},
    {KW_TR, "\n", "\n"},            {KW_TD, "", "\n"},                 {KW_UL, "\n\n\t", "\n\n"},
    {KW_XMP, "\n\n", "\n\n"},
};

struct ParamRow {
    KeywordID m_Id;
    const char* m_pName;
    std::uint32_t m_uType;
    std::uint32_t m_uHiddenAtt;
};

// Grouped by keyword, in the order the vectors are built.
constexpr ParamRow kParamInfo[] = {
    {KW_A, "href", PARAM_LINK, 0},
    {KW_A, "alt", PARAM_HIDDEN_TEXT, HIDDEN_ATT_CAPTION},
    {KW_A, "name", 0, 0},
    {KW_A, "class", 0, 0},
    {KW_FRAME, "src", PARAM_LINK, 0},
    {KW_FRAME, "name", PARAM_HIDDEN_TEXT, HIDDEN_ATT_CAPTION},
    {KW_IFRAME, "src", PARAM_LINK, 0},
    {KW_IFRAME, "name", PARAM_HIDDEN_TEXT, HIDDEN_ATT_CAPTION},
    {KW_IMG, "alt", PARAM_HIDDEN_TEXT, HIDDEN_ATT_CAPTION},
    {KW_IMG, "src", 0, 0},
    {KW_BASE, "href", PARAM_BASE_URI, 0},
    {KW_FORM, "action", PARAM_LINK, 0},
    {KW_AREA, "href", PARAM_LINK, 0},
    {KW_LINK, "href", PARAM_LINK, 0},
    {KW_LINK, "title", PARAM_HIDDEN_TEXT, HIDDEN_ATT_CAPTION},
    {KW_META, "charset", PARAM_CHARSET, 0},
    {KW_META, "url", PARAM_LINK | PARAM_REDIRECT, 0},
    {KW_META, "author", PARAM_AUTHOR, 0},
    {KW_META, "creator", PARAM_AUTHOR, 0},
    {KW_META, "dc.author", PARAM_AUTHOR, 0},
    {KW_META, "dc.creator", PARAM_AUTHOR, 0},
    {KW_META, "subject", PARAM_SUBJECT, 0},
    {KW_META, "dc.subject", PARAM_SUBJECT, 0},
    {KW_META, "keywords", PARAM_KEYWORDS, HIDDEN_ATT_KEYWORDS},
    {KW_META, "dc.keywords", PARAM_KEYWORDS, HIDDEN_ATT_KEYWORDS},
    {KW_TD, "rowspan", 0, 0},
    {KW_TD, "colspan", 0, 0},
    {KW_TR, "rowspan", 0, 0},
    {KW_TR, "colspan", 0, 0},
};

std::map<KeywordID, std::pair<VEK::WString, VEK::WString>> s_KeywordSpacesMap;
std::map<KeywordID, std::vector<ParamInfo>> s_ParamInfoMap;
// The map's vectors by id as well, built with it: the parser asks for every tag it makes a node
// of, and the link query for every link node.
std::array<const std::vector<ParamInfo>*, 256> s_ParamInfoById{};
VEKThread::CriticalSection s_Lock(4000);
std::atomic<bool> s_bKeywordSpacesBuilt{false};
std::atomic<bool> s_bParamInfoBuilt{false};
const VEK::WString s_EmptySpaces;

void BuildKeywordSpacesMap()
{
    for (const SpacingRow& row : kKeywordSpaces) {
        s_KeywordSpacesMap.emplace(row.m_Id, std::make_pair(VEK::Widen(row.m_pPrefix), VEK::Widen(row.m_pPostfix)));
    }
}

void BuildParamInfoMap()
{
    s_ParamInfoMap.emplace(KW_NONE, std::vector<ParamInfo>());
    std::vector<ParamInfo> scratch;
    const std::size_t count = sizeof(kParamInfo) / sizeof(kParamInfo[0]);
    for (std::size_t i = 0; i < count; ++i) {
        const ParamRow& row = kParamInfo[i];
        scratch.push_back(ParamInfo{row.m_pName, row.m_uType, row.m_uHiddenAtt});
        if (i + 1 == count || kParamInfo[i + 1].m_Id != row.m_Id) {
            s_ParamInfoMap.emplace(row.m_Id, scratch);
            scratch.clear();
        }
    }
    const std::vector<ParamInfo>* fallback = &s_ParamInfoMap.find(KW_NONE)->second;
    for (std::size_t id = 0; id < s_ParamInfoById.size(); ++id) {
        const auto it = s_ParamInfoMap.find(static_cast<KeywordID>(id));
        s_ParamInfoById[id] = it != s_ParamInfoMap.end() ? &it->second : fallback;
    }
}

const std::pair<VEK::WString, VEK::WString>* FindSpaces(KeywordID id)
{
    if (!s_bKeywordSpacesBuilt.load(std::memory_order_acquire)) return nullptr;
    const auto it = s_KeywordSpacesMap.find(id);
    return it == s_KeywordSpacesMap.end() ? nullptr : &it->second;
}

} // namespace

bool HtmlKeywordTable::IsSpaceTag(const KeywordID& id)
{
    VEKThread::OnceUnder(s_Lock, s_bKeywordSpacesBuilt, BuildKeywordSpacesMap);
    return s_KeywordSpacesMap.find(id) != s_KeywordSpacesMap.end();
}

const VEK::WString& HtmlKeywordTable::KeywordPrefixSpaces(const KeywordID& id)
{
    const auto* spaces = FindSpaces(id);
    return spaces != nullptr ? spaces->first : s_EmptySpaces;
}

const VEK::WString& HtmlKeywordTable::KeywordPostfixSpaces(const KeywordID& id)
{
    const auto* spaces = FindSpaces(id);
    return spaces != nullptr ? spaces->second : s_EmptySpaces;
}

const std::vector<ParamInfo>& HtmlKeywordTable::FindParamInfo(KeywordID id)
{
    VEKThread::OnceUnder(s_Lock, s_bParamInfoBuilt, BuildParamInfoMap);
    if (static_cast<std::uint32_t>(id) < s_ParamInfoById.size()) return *s_ParamInfoById[static_cast<std::size_t>(id)];
    const auto it = s_ParamInfoMap.find(id);
    return it != s_ParamInfoMap.end() ? it->second : s_ParamInfoMap.find(KW_NONE)->second;
}

} // namespace VEKParser
