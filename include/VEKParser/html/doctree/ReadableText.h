#pragma once

// The visible text of a parsed document laid out for reading: headings and paragraphs apart,
// list items and table rows on lines of their own, table cells parted by tabs. It holds the
// same words in the same order as HtmlDocTree::GetText, which joins everything with blanks.
#include <VEKParser/Export.h>
#include <VEKParser/host/HostTypes.h>

namespace VEKParser {

class HtmlDocTree;

// Replaces `out` with the text of `tree` in lines. Line breaks come from the spacing of the
// keywords (two in a row: a blank line between blocks); white space inside text becomes one
// blank, or the line breaks it holds in preformatted text. Lines carry no blanks at their ends,
// no two blank lines follow each other and the text neither starts nor ends with an empty line.
// Throws ParserInvalidEncodingException at the first text when the tree has no charset.
VEKPARSER_API void GetReadableText(const HtmlDocTree& tree, VEK::WString& out);

} // namespace VEKParser
