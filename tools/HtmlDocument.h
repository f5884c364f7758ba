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
    // Throws std::runtime_error when the document nests deeper than the parser allows, unless
    // `keepIncomplete` asks for the tree built up to that point.
    HtmlDocument(std::string_view bytes, VEK::CHARSET forced, const VEKParser::HtmlKeywordTable& table,
                 bool keepIncomplete = false);
    ~HtmlDocument();

    const VEKParser::HtmlDocTree& Tree() const noexcept { return *m_pTree; }
    // The charset of the document's bytes (the tree's is UTF-8 for a 16-bit document).
    VEK::CHARSET Charset() const noexcept { return m_Choice.charset; }
    // False when the nesting limit stopped the parse.
    bool Complete() const noexcept { return m_bComplete; }

private:
    void Parse(std::string_view content, VEK::CHARSET charset, const VEKParser::HtmlKeywordTable& table);

    CharsetChoice m_Choice;
    std::string m_sUtf8;  // the UTF-8 form of a 16-bit document
    std::unique_ptr<VEKParser::HtmlDocTree> m_pTree;
    bool m_bKeepIncomplete;
    bool m_bComplete = true;
};

} // namespace vekparse
