#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <VEKParser/html/stream/HtmlStreamParser.h>

#include "Charsets.h"

namespace vekparse {

// One element of the stream tokenizer, its offsets in the document's bytes.
struct Token {
    VEKParser::ElementType type;
    unsigned start;
    unsigned end;
    std::string text;  // UTF-8
};

// "tag", "comment", "text", "raw-text", "server-block" or "section".
const char* ElementName(VEKParser::ElementType type) noexcept;

// The elements of a document in the charset `choice` names; a meta charset that names another
// one updates `choice` and the document is read again.
std::vector<Token> Tokenize(std::string_view bytes, CharsetChoice& choice);

} // namespace vekparse
