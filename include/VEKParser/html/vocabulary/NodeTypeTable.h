#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include <VEKParser/Export.h>
#include <VEKParser/host/CriticalSection.h>
#include <VEKParser/host/HostTypes.h>

namespace VEKNewParser {

// Tag kinds for callers that tokenize HTML themselves; numbered alphabetically by tag name.
enum NodeTypeEnum : std::int32_t {
    NT_UNKNOWN = 0,
    NT_A = 1,
    NT_ABBR = 2,
    NT_ACRONYM = 3,
    NT_ADDRESS = 4,
    NT_APPLET = 5,
    NT_AREA = 6,
    NT_ASP = 7,
    NT_B = 8,
    NT_BASE = 9,
    NT_BASEFONT = 10,
    NT_BDO = 11,
    NT_BIG = 12,
    NT_BLOCKQUOTE = 13,
    NT_BODY = 14,
    NT_BR = 15,
    NT_BUTTON = 16,
    NT_CAPTION = 17,
    NT_CENTER = 18,
    NT_CITE = 19,
    NT_CODE = 20,
    NT_COL = 21,
    NT_COLGROUP = 22,
    NT_COMMENT = 23,
    NT_DD = 24,
    NT_DEL = 25,
    NT_DFN = 26,
    NT_DIR = 27,
    NT_DIV = 28,
    NT_DL = 29,
    NT_DOCTYPE = 30,
    NT_DT = 31,
    NT_EM = 32,
    NT_EMBED = 33,
    NT_FIELDSET = 34,
    NT_FONT = 35,
    NT_FORM = 36,
    NT_FRAME = 37,
    NT_FRAMESET = 38,
    NT_H1 = 39,
    NT_H2 = 40,
    NT_H3 = 41,
    NT_H4 = 42,
    NT_H5 = 43,
    NT_H6 = 44,
    NT_HEAD = 45,
    NT_HIDDEN = 46,
    NT_HR = 47,
    NT_HTML = 48,
    NT_I = 49,
    NT_INS = 50,
    NT_IFRAME = 51,
    NT_ILAYER = 52,
    NT_INPUT = 53,
    NT_IMG = 54,
    NT_IMAGE = 55,
    NT_KBD = 56,
    NT_LABEL = 57,
    NT_LAYER = 58,
    NT_LEGEND = 59,
    NT_LI = 60,
    NT_LINK = 61,
    NT_LISTING = 62,
    NT_MAP = 63,
    NT_MARQUEE = 64,
    NT_MENU = 65,
    NT_META = 66,
    NT_NOBR = 67,
    NT_NOEMBED = 68,
    NT_NOINDEX = 69,
    NT_NOFRAMES = 70,
    NT_NOLAYER = 71,
    NT_NOSCRIPT = 72,
    NT_OBJECT = 73,
    NT_OL = 74,
    NT_OPTION = 75,
    NT_P = 76,
    NT_PARAM = 77,
    NT_PLAINTEXT = 78,
    NT_PRE = 79,
    NT_S = 80,
    NT_SCRIPT = 81,
    NT_SELECT = 82,
    NT_SMALL = 83,
    NT_SPAN = 84,
    NT_SPACER = 85,
    NT_STRIKE = 86,
    NT_STRONG = 87,
    NT_STYLE = 88,
    NT_SUB = 89,
    NT_SUP = 90,
    NT_TABLE = 91,
    NT_TBODY = 92,
    NT_TD = 93,
    NT_TEXTAREA = 94,
    NT_TFOOT = 95,
    NT_TH = 96,
    NT_THEAD = 97,
    NT_TITLE = 98,
    NT_TR = 99,
    NT_TT = 100,
    NT_U = 101,
    NT_UL = 102,
    NT_VAR = 103,
    NT_XHTML = 104,
    NT_XML = 105,
    NT_XMLCOMMENT = 106,
    NT_XMP = 107,
};

// Process-wide map from lower-case tag names in 16-bit text to node types, with the spacing of
// the types that separate text. Built on the first GetInstance, read-only afterwards.
class VEKPARSER_API HtmlKeywordTable {
public:
    static bool IsCreated() noexcept;
    static HtmlKeywordTable* GetInstance();

    // Case-sensitive; NT_UNKNOWN for a name that is not in the table.
    NodeTypeEnum NodeType(const VEK::WString& name) const noexcept;
    bool IsSpaceTag(const NodeTypeEnum& type) const;
    bool IsSpaceTag(const NodeTypeEnum& type, bool postfix) const;
    // Ask only for types IsSpaceTag accepted; any other type yields an empty string.
    const VEK::WString& KeywordPrefixSpaces(const NodeTypeEnum& type) const;
    const VEK::WString& KeywordPostfixSpaces(const NodeTypeEnum& type) const;

    HtmlKeywordTable(const HtmlKeywordTable&) = delete;
    HtmlKeywordTable& operator=(const HtmlKeywordTable&) = delete;

private:
    struct NameEntry {
        VEK::WString m_sName;
        NodeTypeEnum m_Type;
    };

    HtmlKeywordTable();
    ~HtmlKeywordTable();

    void InsertName(const VEK::WString& name, NodeTypeEnum type);
    static std::size_t Bucket(const unsigned short* name, std::size_t length, std::size_t bucketCount) noexcept;

    friend struct NodeTypeTableLifetime;

    static std::atomic<HtmlKeywordTable*> ms_pInstance;
    static VEKThread::CriticalSection ms_Lock;

    std::vector<std::vector<NameEntry>> m_NameMap;
    std::map<NodeTypeEnum, std::pair<VEK::WString, VEK::WString>> m_SpacingMap;
};

} // namespace VEKNewParser
