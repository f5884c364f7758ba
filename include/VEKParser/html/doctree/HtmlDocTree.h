#pragma once

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <VEKParser/Export.h>
#include <VEKParser/host/BinaryStream.h>
#include <VEKParser/host/HostTypes.h>
#include <VEKParser/host/RefCount.h>
#include <VEKParser/host/SmartPtr.h>
#include <VEKParser/host/StringFunctions.h>
#include <VEKParser/html/doctree/StringPool.h>
#include <VEKParser/html/vocabulary/HtmlKeywordTable.h>

namespace VEKParser {

class HtmlDocParser;

// The result of parsing one HTML document: a tree of recognised tags, text blocks and kept tag
// parameters below one master node, the document values gathered on the way, and the pool that
// owns every name and text the nodes point at. Built by HtmlDocParser, then only read, so a
// parsed tree may be queried by several threads at once.
class VEKPARSER_API HtmlDocTree {
public:
    class HtmlTreeNode;
    using NodeHolder = VEK::RefCount<HtmlTreeNode>;
    using NodeVector = VEK::RefCountVector<HtmlTreeNode, NodeHolder>;
    using MetaMap = std::map<std::string, VEK::WString, VEK::NoCase>;
    // A node's kept parameters: a few names of its keyword's parameter list, each with its value,
    // written once when the tag is read. One block holds them, in name order (byte-wise), and
    // their bytes; copies of the node share it, and the count lives in it, so a node holds one
    // pointer for them and a tag one allocation.
    class VEKPARSER_API SharedParamMap {
    public:
        using Entry = std::pair<std::string_view, std::string_view>;  // name, value

        // A block holding copies of `entries`; of entries with the same name the first is kept.
        static SharedParamMap* Create(const Entry* entries, std::size_t count);
        SharedParamMap(const SharedParamMap&) = delete;
        SharedParamMap& operator=(const SharedParamMap&) = delete;

        void AddRef() const noexcept { ++m_Count; }
        void Release() const noexcept;

        bool empty() const noexcept { return m_uSize == 0; }
        std::size_t size() const noexcept { return m_uSize; }
        const Entry* begin() const noexcept;
        const Entry* end() const noexcept { return begin() + m_uSize; }
        // The value kept for `name`, or null.
        const std::string_view* Find(std::string_view name) const noexcept;

    private:
        SharedParamMap(std::uint32_t size, bool small) noexcept : m_uSize(size), m_bSmall(small) {}

        mutable VEK::InterlockedCounter m_Count;
        std::uint32_t m_uSize;
        bool m_bSmall;  // carved as a small object
    };
    using ParamHolder = VEK::SmartPtr<SharedParamMap>;

    class VEKPARSER_API HtmlTreeNode {
    public:
        HtmlTreeNode() = default;
        // Copies share the children, the parameters and the pooled name and text.
        HtmlTreeNode(const HtmlTreeNode& other);
        HtmlTreeNode& operator=(const HtmlTreeNode& other);
        ~HtmlTreeNode();

        bool HasChild() const noexcept { return !m_Children.empty(); }
        NodeHolder* Begin() noexcept { return m_Children.begin(); }
        NodeHolder* End() noexcept { return m_Children.end(); }
        const NodeHolder* Begin() const noexcept { return m_Children.begin(); }
        const NodeHolder* End() const noexcept { return m_Children.end(); }

        std::uint32_t GetOffsetFromSource() const noexcept { return m_uOffset; }
        std::uint32_t GetRawSize() const noexcept { return m_uRawSize; }
        KeywordID GetKeywordID() const noexcept { return static_cast<KeywordID>(m_uKeyword & 0xFF); }
        bool IsMatch(KeywordID id) const noexcept { return (m_uKeyword & 0xFF) == static_cast<std::uint32_t>(id); }
        bool IsMatch(NodeAtt mask) const noexcept { return (m_uKeyword & mask) != 0; }
        bool IsMatch(HiddenAtt mask) const noexcept { return (m_uKeyword & mask) != 0; }
        const char* GetTagName() const noexcept { return m_pTagName; }

        // Text of a text or hidden-text node: decoded and appended, or the raw bytes.
        void GetText(VEK::WString& out) const;
        void GetRawText(std::string& out) const;
        // The bytes of a text node's text as the page holds them, without a copy.
        std::string_view GetTextBytes() const noexcept { return {m_pText, m_uTextSize}; }
        void GetParam(const std::string& name, std::string& out) const;
        void GetParam(const std::string& name, VEK::WString& out) const;
        bool IsParam(const std::string& name) const;

    private:
        friend class HtmlDocTree;
        friend class HtmlDocParser;

        const char* m_pTagName = nullptr;
        std::uint32_t m_uKeyword = 0;
        std::uint32_t m_uOffset = 0;
        std::uint32_t m_uRawSize = 0;
        std::uint32_t m_uTextSize = 0;
        const char* m_pText = nullptr;
        NodeVector m_Children;
        ParamHolder m_pParams;
        HtmlDocTree* m_pTree = nullptr;
    };

    struct LinkCaption {
        VEK::WString m_sUri;
        VEK::WString m_sCaption;
    };

    struct DocSummaryInformation {
        VEK::WString m_sTitle;
        VEK::WString m_sSubject;
        VEK::WString m_sAuthor;
        VEK::WString m_sKeywords;
    };

    HtmlDocTree();
    explicit HtmlDocTree(VEK::CHARSET charset);
    ~HtmlDocTree();
    HtmlDocTree(const HtmlDocTree&) = delete;
    HtmlDocTree& operator=(const HtmlDocTree&) = delete;

    // Drops the nodes and the meta map for another parse; the document values and the pooled
    // strings stay.
    void Reset();

    std::uint32_t GetNodeNumber() const noexcept { return m_uNodeNumber; }
    VEK::CHARSET GetCharset() const noexcept { return m_Charset; }
    NodeHolder* Begin() noexcept { return m_TopNodes.begin(); }
    NodeHolder* End() noexcept { return m_TopNodes.end(); }
    const NodeHolder* Begin() const noexcept { return m_TopNodes.begin(); }
    const NodeHolder* End() const noexcept { return m_TopNodes.end(); }
    MetaMap::const_iterator GetMetaMapBegin() const { return m_MetaMap.begin(); }
    MetaMap::const_iterator GetMetaMapEnd() const { return m_MetaMap.end(); }

    // Text queries: decoded visible text (optionally only below keywords with `filter` bits),
    // the document's raw bytes, and the values kept as hidden text.
    void GetText(VEK::BinaryStreamBufT<unsigned int>& out) const;
    void GetText(VEK::WString& out) const;
    void GetText(VEK::WString& out, NodeAtt filter) const;
    void GetText(VEK::BinaryStreamBufT<unsigned int>& out, NodeAtt filter) const;
    void GetRawText(VEK::BinaryStreamBufT<unsigned int>& out, unsigned int limit) const;
    void GetHiddenText(VEK::WString& out, unsigned int filter) const;

    // Document values: links with captions (appended), meta values, URIs, summary.
    void GetLinks(std::vector<LinkCaption>& out) const;
    void GetMetaInfo(VEK::WString& out, const std::string& name) const;
    void GetMetaCharset(VEK::WString& out) const;
    void GetBaseUri(VEK::WString& out) const;
    void GetMetaRedirectUri(VEK::WString& out) const;
    void GetSummaryInformation(DocSummaryInformation& out) const;

    // Diagnostic output, compared literally by people and tests.
    void DumpTree(std::basic_ostream<char>& os) const;
    void DumpLink(std::basic_ostream<unsigned short>& os) const;

private:
    friend class HtmlDocParser;

    void RecursiveGetText(VEK::BinaryStreamBufT<unsigned int>& out, const NodeHolder* begin,
                          const NodeHolder* const& end, bool decode, unsigned int filter, unsigned int inherited,
                          unsigned int limit) const;
    // The walk of the text queries, writing to a stream or straight to a 16-bit string.
    template <class Sink>
    void WalkText(Sink& sink, const NodeHolder* begin, const NodeHolder* end, unsigned int filter,
                  unsigned int inherited) const;
    void RecursiveGetHiddenText(std::string& out, unsigned int filter, const NodeHolder* begin,
                                const NodeHolder* const& end) const;
    static void RecursiveGetLinksWithCaptions(std::vector<LinkCaption>& out, const NodeHolder* begin,
                                              const NodeHolder* const& end, VEK::WString* caption);
    void RecursiveDumpTree(const NodeHolder* begin, const NodeHolder* const& end, std::basic_ostream<char>& os,
                           unsigned int depth) const;

    std::uint32_t m_uNodeNumber = 0;
    NodeVector m_TopNodes;
    VEK::CHARSET m_Charset;
    VEK::WString m_sMetaCharset;
    VEK::WString m_sBaseUri;
    VEK::WString m_sRedirectUri;
    DocSummaryInformation m_Summary;
    MetaMap m_MetaMap;
    StringPool m_StringPool;
};

} // namespace VEKParser
