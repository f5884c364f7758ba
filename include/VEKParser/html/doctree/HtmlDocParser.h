#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <VEKParser/Export.h>
#include <VEKParser/host/BinaryStream.h>
#include <VEKParser/host/BinaryStreamParser.h>
#include <VEKParser/host/HostTypes.h>
#include <VEKParser/host/MemoryBuffer.h>
#include <VEKParser/host/RefCount.h>
#include <VEKParser/html/doctree/HtmlDocTree.h>
#include <VEKParser/html/vocabulary/HtmlKeywordTable.h>

namespace VEKParser {

// Builds an HtmlDocTree from a byte stream of HTML, repairing malformed markup on the way:
// implied end tags, missing table rows and cells, misnested end tags, unknown tags turned into
// text. One parser serves one parse of one stream; the caller owns stream, table and tree.
class VEKPARSER_API HtmlDocParser {
public:
    HtmlDocParser(VEK::BinaryStreamBufT<unsigned int>& stream, const HtmlKeywordTable& table, HtmlDocTree& tree);
    ~HtmlDocParser();
    HtmlDocParser(const HtmlDocParser&) = delete;
    HtmlDocParser& operator=(const HtmlDocParser&) = delete;

    // Parses the whole stream below a new master node of the tree. False only when elements
    // nest deeper than the parser follows; the nodes built until then stay.
    bool Parse();

    // Appends `bytes` converted from charset `from` to `to` (16-bit units) to `out`; returns the
    // number of bytes consumed. `flag1` is the converter's first flag; `flag2` has no effect.
    static unsigned int ConvertString(VEK::CHARSET from, VEK::CHARSET to, const std::string& bytes,
                                      VEK::WString& out, bool flag1, bool flag2);

private:
    using NodeVector = HtmlDocTree::NodeVector;
    using Node = HtmlDocTree::HtmlTreeNode;

    // Driver.
    void GetOrphanText(NodeVector& children);
    // Points `text` at its normalised form when that differs (held in the parser's scratch).
    bool BeautifyString(std::string_view& text);
    bool HandleSkip(const KeywordInfo& info) const;
    bool WipeEmbeddedTag(std::string& text) const;
    bool FetchTagText() const;
    bool FetchTagRest() const;
    void ReadTopLevelText(Node& master);

    // Element builder.
    // `emulate`: an element missing from the source, created instead of reading a tag.
    unsigned int RecursiveParse(NodeVector& children, bool allowTableReentry, bool inheritPreformatted,
                                const KeywordInfo* emulate);
    unsigned int ParseLeafTag(NodeVector& children, const KeywordInfo& info);
    // An element's children are gathered in `own`, the scratch of its depth, and given to its node
    // when it closes.
    unsigned int ParseElement(NodeVector& children, const KeywordInfo* info, bool emulated);
    unsigned int OpenElement(NodeVector& children, NodeVector& own, const KeywordInfo* info, bool emulated);
    void CloseElement(NodeVector& children, NodeVector& own, std::uint32_t depth);
    unsigned int ParseElementContent(NodeVector& children, NodeVector& own, const KeywordInfo& info,
                                     std::size_t ownIndex, bool emulated);
    unsigned int ParseChild(NodeVector& own, const KeywordInfo& info, CmpResult cmp, const std::string& missing);
    unsigned int ParseUnknownTag(NodeVector& children);
    void RepairMetaTag(const KeywordInfo& info);
    bool FindUnwindTarget();
    bool IsTableChild(const KeywordInfo& info) const;
    // The node goes to `children`; its parameter texts and its text go to `own`.
    bool AddTreeNode(Node*& out, NodeVector& children, NodeVector& own, const KeywordInfo& info, bool textOnly);
    // Read the text after the tag into a text block of `own`; true when the next tag text was fetched.
    bool ReadElementText(NodeVector& own, const KeywordInfo& info);
    bool ReadTitleText(NodeVector& own, const KeywordInfo& info);
    void AddText(NodeVector& own, std::string_view text, std::uint32_t offset, std::uint32_t rawSize, bool title);
    void EmulateMissingKeyword(Node*& out, NodeVector& children, const KeywordInfo& info);
    Node& AppendNode(NodeVector& children, const char* name, std::uint32_t keyword, std::uint32_t offset);
    // `name` is pooled already.
    void AppendTextNode(NodeVector& children, const char* name, const char* text, std::uint32_t size,
                        std::uint32_t offset, std::uint32_t rawSize);
    // Pooled node names of the current parse.
    const char* KeywordName(const KeywordInfo& info);
    const char* OrphanTextName();
    const char* TagTextName();
    const char* PooledOnce(std::string_view name, const char*& pooled);
    void ForgetPooledNames() noexcept;

    // Tag parameters. Hidden texts go to `children`; the values kept, to `node`.
    void ParseParam(const KeywordInfo& info, NodeVector& children, Node* node);
    void FindParamNames(std::string_view text, const std::vector<ParamInfo>& params);
    // `scratch` holds `value` when it had to be tidied.
    bool ApplyParam(const ParamInfo& param, std::string_view& value, std::string& scratch, NodeVector& children,
                    Node* node) const;
    // `folded`: the tag text lower-cased; `name`: lower-case.
    bool IsParamFound(std::string_view folded, unsigned int& pos, std::string_view name) const;
    bool ExtractValue(std::string_view text, unsigned int& pos, std::string& value) const;
    bool ExtractValue(std::string_view text, unsigned int& pos, std::string_view& value) const;
    void ParseMetaInfo(std::string_view text) const;
    std::string_view KeywordText() const;

    const HtmlKeywordTable& m_Table;
    HtmlDocTree& m_Tree;
    // Records of the table, which outlives the parse.
    std::vector<const KeywordInfo*> m_OpenKeywords;
    std::uint32_t m_uReplayIndex = 0;
    std::uint32_t m_uCurrentOffset = 0;
    bool m_bReplay = false;
    bool m_bUnwind = false;
    bool m_bTitleSeen = false;
    bool m_bLastSpace = false;
    std::unique_ptr<VEKFile::BinaryStreamParser> m_pScanner;
    VEK::RefCount<VEKFile::MemoryBuffer> m_TextBuffer;
    // One scratch of child holders per depth of open elements, kept for its capacity: an
    // element's array is made once, at its final length, instead of growing and shrinking.
    std::unique_ptr<NodeVector[]> m_OpenChildren;
    std::uint32_t m_uDepth = 0;
    // Scratch of the white-space normalisation, kept for its capacity; it only grows, so that
    // it is never filled twice.
    std::vector<char> m_Tidy;
    // Scratch of the parameter search and of the parameters a node keeps, kept for capacity.
    std::vector<std::uint32_t> m_ParamEnds;
    std::vector<std::uint64_t> m_ParamDelimiters;
    std::vector<std::string> m_KeptValues;
    std::vector<HtmlDocTree::SharedParamMap::Entry> m_KeptParams;
    // Tags and text blocks repeat by the thousand, and pooling a name again means hashing and
    // looking it up again: each name is pooled once per parse. By keyword id, the record whose
    // name is held.
    std::array<const KeywordInfo*, 256> m_NamedKeywords{};
    std::array<const char*, 256> m_KeywordNames{};
    const char* m_pOrphanTextName = nullptr;
    const char* m_pTagTextName = nullptr;
};

} // namespace VEKParser
