#include <VEKParser/html/vocabulary/NodeTypeTable.h>

#include <mutex>
#include <new>

namespace VEKNewParser {

namespace {

struct NameRow {
    const char* m_pName;
    std::int32_t m_iType;
};

constexpr NameRow kNodeTypeNames[] = {
    {"a", 1}, {"abbr", 2}, {"acronym", 3}, {"address", 4}, {"applet", 5}, {"area", 6}, {"asp", 7}, {"b", 8},
    {"base", 9}, {"basefont", 10}, {"bdo", 11}, {"big", 12}, {"blockquote", 13}, {"body", 14}, {"br", 15},
    {"button", 16}, {"caption", 17}, {"center", 18}, {"cite", 19}, {"code", 20}, {"col", 21},
    {"colgroup", 22}, {"!--", 23}, {"dd", 24}, {"del", 25}, {"dfn", 26}, {"dir", 27}, {"div", 28}, {"dl", 29},
    {"!doctype", 30}, {"dt", 31}, {"em", 32}, {"embed", 33}, {"fieldset", 34}, {"font", 35}, {"form", 36},
    {"frame", 37}, {"frameset", 38}, {"h1", 39}, {"h2", 40}, {"h3", 41}, {"h4", 42}, {"h5", 43}, {"h6", 44},
    {"head", 45}, {"hidden", 46}, {"hr", 47}, {"html", 48}, {"i", 49}, {"ins", 50}, {"iframe", 51},
    {"ilayer", 52}, {"img", 54}, {"image", 55}, {"input", 53}, {"kbd", 56}, {"label", 57}, {"layer", 58},
    {"legend", 59}, {"li", 60}, {"link", 61}, {"listing", 62}, {"map", 63}, {"marquee", 64}, {"menu", 65},
    {"meta", 66}, {"nobr", 67}, {"noembed", 68}, {"noindex", 69}, {"noframes", 70}, {"nolayer", 71},
    {"noscript", 72}, {"object", 73}, {"option", 75}, {"ol", 74}, {"p", 76}, {"param", 77}, {"plaintext", 78},
    {"pre", 79}, {"s", 80}, {"script", 81}, {"select", 82}, {"small", 83}, {"span", 84}, {"spacer", 85},
    {"strike", 86}, {"strong", 87}, {"style", 88}, {"sub", 89}, {"subscript", 89}, {"sup", 90},
    {"superscript", 90}, {"table", 91}, {"tbody", 92}, {"td", 93}, {"textarea", 94}, {"tfoot", 95},
    {"th", 96}, {"thead", 97}, {"title", 98}, {"tr", 99}, {"tt", 100}, {"u", 101}, {"ul", 102}, {"var", 103},
    {"xhtml", 104}, {"?xml", 105}, {"?xml:namespace", 105}, {"xmlcomment", 106}, {"xmp", 107},
};

struct SpacingRow {
    NodeTypeEnum m_Type;
    const char* m_pPrefix;
    const char* m_pPostfix;
};

constexpr SpacingRow kNodeTypeSpaces[] = {
    {NT_ADDRESS, "\n", ""},       {NT_BLOCKQUOTE, "\n\n\t", "\n\n"}, {NT_BR, "\n", ""},
    {NT_CENTER, "\n\t", "\n"},    {NT_DIR, "\n\n\t", "\n\n"},        {NT_DIV, "\n", "\n"},
    {NT_DL, "\n\n", "\n\n"},      {NT_DT, "\n", ""},                 {NT_DD, "\n\t", ""},
    {NT_FORM, "\n\n", "\n\n"},    {NT_H1, "\n\n", "\n\n"},           {NT_H2, "\n\n", "\n\n"},
    {NT_H3, "\n\n", "\n\n"},      {NT_H4, "\n\n", "\n\n"},           {NT_H5, "\n\n", "\n\n"},
    {NT_H6, "\n\n", "\n\n"},      {NT_HR, "\n\n", ""},               {NT_IMG, " ", ""},
    {NT_LI, "\n\t", ""},          {NT_LISTING, "\n\n", "\n\n"},      {NT_MARQUEE, "\n\t", "\n"},
    {NT_MENU, "\n\n\t", "\n\n"},  {NT_OL, "\n\n\t", "\n\n"},         {NT_OPTION, "\t", "\n"},
    {NT_P, "\n\n", "\n"},         {NT_PRE, "\n\n", "\n\n"},          {NT_SELECT, "\n\n", "\n\n"},
    {NT_TABLE, "\n", "\n"},       {NT_THEAD, "\n", "\n"},            {NT_TBODY, "\n", "\n"},
    {NT_TFOOT, "\n", "\n"},       {NT_TR, "\n", "\n"},               {NT_TD, "", "\n"},
    {NT_UL, "\n\n\t", "\n\n"},    {NT_XMP, "\n\n", "\n\n"},
};

// Bucket counts a hash map may take; it starts with the first that holds the expected names.
constexpr std::size_t kBucketPrimes[] = {53, 97, 193, 389, 769, 1543};
constexpr std::size_t kExpectedNames = 100;

std::size_t InitialBucketCount() noexcept
{
    for (const std::size_t prime : kBucketPrimes) {
        if (prime >= kExpectedNames) return prime;
    }
    return kBucketPrimes[std::size(kBucketPrimes) - 1];
}

const VEK::WString s_EmptySpaces;

} // namespace

std::atomic<HtmlKeywordTable*> HtmlKeywordTable::ms_pInstance{nullptr};
VEKThread::CriticalSection HtmlKeywordTable::ms_Lock(4000);

// Destroys the instance when the library is unloaded.
struct NodeTypeTableLifetime {
    ~NodeTypeTableLifetime() { delete HtmlKeywordTable::ms_pInstance.exchange(nullptr); }
};
static NodeTypeTableLifetime s_NodeTypeTableLifetime;

bool HtmlKeywordTable::IsCreated() noexcept
{
    return ms_pInstance.load(std::memory_order_acquire) != nullptr;
}

HtmlKeywordTable* HtmlKeywordTable::GetInstance()
{
    HtmlKeywordTable* instance = ms_pInstance.load(std::memory_order_acquire);
    if (instance != nullptr) return instance;
    std::lock_guard<VEKThread::CriticalSection> guard(ms_Lock);
    instance = ms_pInstance.load(std::memory_order_relaxed);
    if (instance == nullptr) {
        // Without memory there is no instance; a later call tries again.
        instance = new (std::nothrow) HtmlKeywordTable;
        ms_pInstance.store(instance, std::memory_order_release);
    }
    return instance;
}

HtmlKeywordTable::HtmlKeywordTable() : m_NameMap(InitialBucketCount())
{
    for (const NameRow& row : kNodeTypeNames) InsertName(VEK::Widen(row.m_pName), static_cast<NodeTypeEnum>(row.m_iType));
    for (const SpacingRow& row : kNodeTypeSpaces) {
        m_SpacingMap.emplace(row.m_Type, std::make_pair(VEK::Widen(row.m_pPrefix), VEK::Widen(row.m_pPostfix)));
    }
}

HtmlKeywordTable::~HtmlKeywordTable() = default;

std::size_t HtmlKeywordTable::Bucket(const unsigned short* name, std::size_t length, std::size_t bucketCount) noexcept
{
    std::size_t h = 0;
    for (std::size_t i = 0; i < length; ++i) h = 5 * h + name[i];
    return h % bucketCount;
}

void HtmlKeywordTable::InsertName(const VEK::WString& name, NodeTypeEnum type)
{
    std::vector<NameEntry>& chain = m_NameMap[Bucket(name.data(), name.size(), m_NameMap.size())];
    for (const NameEntry& entry : chain) {
        if (entry.m_sName == name) return;
    }
    chain.push_back(NameEntry{name, type});
}

NodeTypeEnum HtmlKeywordTable::NodeType(const VEK::WString& name) const noexcept
{
    const std::vector<NameEntry>& chain = m_NameMap[Bucket(name.data(), name.size(), m_NameMap.size())];
    for (const NameEntry& entry : chain) {
        if (entry.m_sName == name) return entry.m_Type;
    }
    return NT_UNKNOWN;
}

bool HtmlKeywordTable::IsSpaceTag(const NodeTypeEnum& type) const
{
    return m_SpacingMap.find(type) != m_SpacingMap.end();
}

bool HtmlKeywordTable::IsSpaceTag(const NodeTypeEnum& type, bool postfix) const
{
    const auto it = m_SpacingMap.find(type);
    return it != m_SpacingMap.end() && !(postfix ? it->second.second : it->second.first).empty();
}

const VEK::WString& HtmlKeywordTable::KeywordPrefixSpaces(const NodeTypeEnum& type) const
{
    const auto it = m_SpacingMap.find(type);
    return it != m_SpacingMap.end() ? it->second.first : s_EmptySpaces;
}

const VEK::WString& HtmlKeywordTable::KeywordPostfixSpaces(const NodeTypeEnum& type) const
{
    const auto it = m_SpacingMap.find(type);
    return it != m_SpacingMap.end() ? it->second.second : s_EmptySpaces;
}

} // namespace VEKNewParser
