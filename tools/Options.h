#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include <VEKParser/host/HostTypes.h>
#include <VEKParser/html/vocabulary/HtmlKeywordTable.h>

namespace vekparse {

enum class Command { Text, Links, Meta, Dump, Tokens, Asn1, Entities, Convert };

// Readable: the text in lines and paragraphs; Flat: the library's GetText, blocks joined by blanks.
enum class TextKind { Readable, Flat, Raw, Hidden };

enum class EntityMode { Escape, Unescape, UnescapeUri };

// Everything the command line decided; read-only once parsing is done.
struct Options {
    Command command = Command::Text;

    // Documents.
    std::vector<std::string> inputs;
    std::vector<std::string> globs;
    std::string filesFrom;
    VEK::CHARSET charset = VEK::CHARSET_UNKNOWN;  // unknown: detect per document
    VEKParser::PrtType profile = VEKParser::DEFAULT_PRT;
    bool json = false;
    unsigned threads = 0;
    bool quiet = false;
    bool archives = false;    // WARC files among the inputs are read record by record
    bool allRecords = false;  // every response record of a web archive, not only HTML ones

    // Per command.
    TextKind textKind = TextKind::Readable;
    bool absoluteLinks = false;
    EntityMode entityMode = EntityMode::Escape;
    bool escapeDelimiters = true;
    bool escapeAbove255 = false;
};

// Wrong use of the command line, found after the options were read; exit status 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

} // namespace vekparse
