#pragma once

#include <string>
#include <string_view>

namespace vekparse {

// A file name as it appears in a line of text (error lines, "==> NAME <==" headings): as it is
// when every character is plain, else quoted the way `ls --quoting-style=shell-escape` does,
// which a shell reads back as the exact bytes. No line break, escape sequence or invalid UTF-8
// reaches the line.
std::string QuotedName(std::string_view name);

} // namespace vekparse
