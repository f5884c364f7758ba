#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <VEKParser/Export.h>
#include <VEKParser/host/HostTypes.h>
#include <VEKParser/host/RefCount.h>

namespace VEKParser {

// The three tag vocabularies a document tree can be built under.
enum PrtType : std::int32_t {
    DEFAULT_PRT = 0,
    NOTAG_PRT = 1,
    CHANGEDETECTOR_PRT = 2,
};

// Numeric tag identity, bits 0-7 of a keyword word. 30, 37 and 52 are unassigned.
enum KeywordID : std::int32_t {
    KW_TITLE = 0,
    KW_ADDRESS = 1,
    KW_STYLE = 2,
    KW_TBODY = 3,
    KW_IFRAME = 4,
    KW_DIV = 5,
    KW_BIG = 6,
    KW_CITE = 7,
    KW_COMMENT = 8,
    KW_TFOOT = 9,
    KW_LINK = 10,
    KW_OL = 11,
    KW_H1 = 12,
    KW_DFN = 13,
    KW_BASE = 14,
    KW_TR = 15,
    KW_SELECT = 16,
    KW_UL = 17,
    KW_H2 = 18,
    KW_VAR = 19,
    KW_FRAME = 20,
    KW_TH = 21,
    KW_P = 22,
    KW_LI = 23,
    KW_IMG = 24,
    KW_U = 25,
    KW_FORM = 26,
    KW_TD = 27,
    KW_BR = 28,
    KW_STRONG = 29,
    KW_A = 31,
    KW_AREA = 32,
    KW_CENTER = 33,
    KW_I = 34,
    KW_SCRIPT = 35,
    KW_B = 36,
    KW_STRIKE = 38,
    KW_THEAD = 39,
    KW_H3 = 40,
    KW_APPLET = 41,
    KW_H4 = 42,
    KW_BDO = 43,
    KW_H5 = 44,
    KW_DEL = 45,
    KW_H6 = 46,
    KW_OBJECT = 47,
    KW_S = 48,
    KW_HR = 49,
    KW_TABLE = 50,
    KW_EM = 51,
    KW_MENU = 53,
    KW_PRE = 54,
    KW_META = 55,
    KW_NOFRAMES = 56,
    KW_XML = 57,
    KW_ASP = 58,
    KW_SUP = 59,
    KW_SUB = 60,
    KW_BLOCKQUOTE = 61,
    KW_DIR = 62,
    KW_DT = 63,
    KW_DL = 64,
    KW_DD = 65,
    KW_LISTING = 66,
    KW_MARQUEE = 67,
    KW_XMP = 68,
    KW_OPTION = 69,
    KW_VANTORELCHANGES = 70,
    KW_HIDDEN_TEXT = 72,
    KW_TEXT = 73,
    KW_NONE = 255,
};

// Emphasis a node inherits from its keyword (bits 8-12 of the keyword word; at most one).
enum NodeAtt : std::uint32_t {
    NODE_ATT_TITLE = 0x100,
    NODE_ATT_EMPHASIS1 = 0x200,
    NODE_ATT_EMPHASIS2 = 0x400,
    NODE_ATT_EMPHASIS3 = 0x800,
    NODE_ATT_EMPHASIS4 = 0x1000,
};

// What a hidden-text node stands for, in its keyword word.
enum HiddenAtt : std::uint32_t {
    HIDDEN_ATT_CAPTION = 0x10000,
    HIDDEN_ATT_KEYWORDS = 0x20000,
};

// How a newly met tag relates to the keyword that is open.
enum CmpResult : std::int32_t {
    CMP_NONE = 0,     // parsed inside the open keyword
    CMP_CHILD = 1,    // a table part nesting below the open table keyword
    CMP_END = 2,      // ends the open keyword
    CMP_MISSING = 3,  // a table level must be emulated first (its begin text is handed out)
};

// What a retained tag parameter's value is used for.
enum ParamType : std::uint32_t {
    PARAM_LINK = 0x01,
    PARAM_HIDDEN_TEXT = 0x02,
    PARAM_CHARSET = 0x04,
    PARAM_REDIRECT = 0x08,
    PARAM_AUTHOR = 0x10,
    PARAM_KEYWORDS = 0x20,
    PARAM_SUBJECT = 0x40,
    PARAM_BASE_URI = 0x80,
};

// One row of a profile as it is compiled into the library.
struct staticKeywordInfo {
    const char* m_pBeginTag;
    const char* m_pName;
    const char* m_pEndTag;
    std::uint32_t m_uKeyword;  // bits 0-7 KeywordID, bits 8-12 NodeAtt
    std::uint32_t m_uFlags;    // bits 0-9 the behaviour flags of KeywordInfo
};

// A recognised tag text and how the tree builder treats it.
struct VEKPARSER_API KeywordInfo {
    std::string m_sBeginTag;
    std::string m_sEndTag;
    std::string m_sName;
    std::uint32_t m_uKeyword = 0;
    bool m_bHasEndTag = false;       // 0x001
    bool m_bHasParams = false;       // 0x002
    bool m_bTableContainer = false;  // 0x004
    bool m_bEmpty = false;           // 0x008
    bool m_bSkipContent = false;     // 0x040
    bool m_bPreformatted = false;    // 0x010
    bool m_bTable = false;           // 0x020
    bool m_bMeta = false;            // 0x080
    bool m_bTableChild = false;      // 0x100
    bool m_bParseMetaInfo = false;   // 0x200
};

// A tag parameter the parser retains, and what it means.
struct VEKPARSER_API ParamInfo {
    std::string m_sName;
    std::uint32_t m_uType = 0;        // ParamType bits; 0: only stored on the node
    std::uint32_t m_uHiddenAtt = 0;   // HiddenAtt bits of the hidden-text node it produces
};

// The tag vocabulary of the document parser under one profile. Immutable once constructed, so
// one table may serve parsers on several threads.
class VEKPARSER_API HtmlKeywordTable {
public:
    explicit HtmlKeywordTable(PrtType type);
    ~HtmlKeywordTable();
    HtmlKeywordTable(const HtmlKeywordTable&) = delete;
    HtmlKeywordTable& operator=(const HtmlKeywordTable&) = delete;

    // Looks a tag text ("<TD align=left", "<!--x", "</P") up; `out` is left untouched when the
    // text cannot be a keyword at all.
    bool ValidateKeyword(const char* text, unsigned int length, VEK::RefCount<KeywordInfo>& out) const;
    bool FindKeywordInfo(KeywordID id, VEK::RefCount<KeywordInfo>& out) const;
    // `text` is a lower-case begin text such as m_sMASTER_TABLE_TAG.
    bool FindKeywordInfo(const std::string& text, VEK::RefCount<KeywordInfo>& out) const;

    static bool IsHtmlKeyword(const std::string& text);
    static bool IsKeywordID(const KeywordInfo& info, KeywordID id) noexcept;
    // `out` may be null; it receives the begin text to emulate on CMP_MISSING.
    static CmpResult CompareKeywords(const char* text, unsigned int length, const KeywordInfo& open,
                                     std::string* out);

    // Spacing around keywords that separate text. Ask the spaces only for ids IsSpaceTag
    // accepted; any other id yields an empty string.
    static bool IsSpaceTag(const KeywordID& id);
    static const VEK::WString& KeywordPrefixSpaces(const KeywordID& id);
    static const VEK::WString& KeywordPostfixSpaces(const KeywordID& id);

    // The parameters retained for a keyword (an empty vector for most). The reference stays
    // valid for the life of the library.
    static const std::vector<ParamInfo>& FindParamInfo(KeywordID id);

    static const staticKeywordInfo m_sDEFAULT_PRT[];
    static const unsigned int m_sDEFAULT_SIZE;
    static const staticKeywordInfo m_sNOTAG_PRT[];
    static const unsigned int m_sNOTAG_SIZE;
    static const staticKeywordInfo m_sCHANGEDETECTOR_PRT[];
    static const unsigned int m_sCHANGEDETECTOR_SIZE;
    static const char* const m_sALL_TAG_LIST[];
    static const unsigned int m_sALL_TAG_LIST_SIZE;
    static const std::string m_sMASTER_TABLE_TAG;

    // Sizes of the two maps, for checks of a built table.
    std::size_t TextEntryCount() const noexcept { return m_KeywordTextMap.size(); }
    std::size_t IdEntryCount() const noexcept { return m_KeywordIdMap.size(); }

private:
    // A text map entry, for the index beside the map; keys are told apart by their length and
    // first eight characters (zero-padded) before their characters are compared.
    struct TextIndexEntry {
        std::string_view m_Key;
        std::uint64_t m_uHead;
        const VEK::RefCount<KeywordInfo>* m_pInfo;
    };

    // The document parser looks up a record per tag and keeps it only while the table lives:
    // it takes the record without sharing it, which would cost two counter updates a tag.
    friend class HtmlDocParser;
    // The record ValidateKeyword finds for `text`, or null.
    const KeywordInfo* LookUpTagText(const char* text, unsigned int length) const noexcept;

    bool FillKeywordTable(const staticKeywordInfo* rows, unsigned int count);
    static std::size_t SlotOf(std::uint64_t head, std::size_t length) noexcept;
    void BuildTextIndex();
    const VEK::RefCount<KeywordInfo>* FindText(const char* text, std::size_t length) const noexcept;
    bool FindTagText(const char* text, unsigned int length, const VEK::RefCount<KeywordInfo>*& found) const noexcept;

    std::map<std::string, VEK::RefCount<KeywordInfo>, std::less<>> m_KeywordTextMap;
    std::map<KeywordID, VEK::RefCount<KeywordInfo>> m_KeywordIdMap;
    // Every tag text is validated, and most are not keywords: the text map's entries grouped by
    // the character after "<" let a key meet only the few begin texts that share it.
    // An open-addressing index of the begin texts: a tag is looked up in one or two probes.
    static constexpr std::size_t kTextSlots = 256;  // a profile has fewer than 128 begin texts
    std::vector<TextIndexEntry> m_TextIndex;
    std::array<std::uint8_t, kTextSlots> m_TextSlots{};  // entry number + 1; 0 marks a free slot
};

} // namespace VEKParser
