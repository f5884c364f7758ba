// Which job each per-document command runs.
#include "Commands.h"

namespace vekparse {

DocumentJob JobFor(const Options& options)
{
    switch (options.command) {
    case Command::Text: return TextJob(options);
    case Command::Links: return LinksJob(options);
    case Command::Meta: return MetaJob(options);
    case Command::Dump: return DumpJob(options);
    case Command::Tokens: return TokensJob(options);
    case Command::Asn1: return Asn1Job(options);
    default: return {};
    }
}

} // namespace vekparse
