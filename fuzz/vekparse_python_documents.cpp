// What the Python module's parse_html and tokens do with untrusted bytes: the charset chosen as
// vekparse chooses it, the tree and its queries, and the tokenizer with its meta charset. HTML
// never fails; an exception or a crash is a finding.
#include <cstdint>
#include <string_view>
#include <vector>

#include <VEKParser/html/doctree/ReadableText.h>

#include "HtmlDocument.h"
#include "Tokens.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    static const VEKParser::HtmlKeywordTable table(VEKParser::DEFAULT_PRT);
    const vekparse::HtmlDocument document(bytes, VEK::CHARSET_UNKNOWN, table);
    VEK::WString text;
    VEKParser::GetReadableText(document.Tree(), text);
    std::vector<VEKParser::HtmlDocTree::LinkCaption> links;
    document.Tree().GetLinks(links);
    vekparse::CharsetChoice choice = vekparse::ChooseCharset(VEK::CHARSET_UNKNOWN, bytes);
    for (const vekparse::Token& token : vekparse::Tokenize(bytes, choice))
        if (token.start > token.end || token.end > size) __builtin_trap();
    return 0;
}
