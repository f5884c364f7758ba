#pragma once

#include <memory>
#include <string>
#include <string_view>

#include <VEKParser/html/doctree/DocTree.h>
#include <VEKParser/html/vocabulary/HtmlKeywordTable.h>

#include "Charsets.h"

namespace vekparse {

// A document parsed into a tree, in the charset it is in: read again when its meta charset
// names another one than the first guess. 16-bit documents are parsed as their UTF-8 form.
class HtmlDocument {
public:
    // `httpCharset` is the charset parameter of the HTTP Content-Type the document came with.
    HtmlDocument(std::string_view bytes, VEK::CHARSET forced, const VEKParser::HtmlKeywordTable& table,
                 std::string_view httpCharset = {});
    ~HtmlDocument();

    const VEKParser::HtmlDocTree& Tree() const noexcept { return *m_pTree; }
    // The charset of the document's bytes (the tree's is UTF-8 for a 16-bit document).
    VEK::CHARSET Charset() const noexcept { return m_Choice.charset; }
    // Whether the tree holds the whole document: the parser stops at its nesting limit and
    // keeps what it built before.
    bool Complete() const noexcept { return m_bComplete; }
    CharsetSource Source() const noexcept { return m_Choice.source; }

private:
    void Parse(std::string_view content, VEK::CHARSET charset, const VEKParser::HtmlKeywordTable& table);

    CharsetChoice m_Choice;
    bool m_bComplete = true;
    std::string m_sUtf8;  // the UTF-8 form of a 16-bit document
    std::unique_ptr<VEKParser::HtmlDocTree> m_pTree;
};

} // namespace vekparse
