#pragma once

#include "Batch.h"
#include "Options.h"

namespace vekparse {

// Per-document commands: the job RunBatch applies to each input.
DocumentJob TextJob(const Options& options);
DocumentJob LinksJob(const Options& options);
DocumentJob MetaJob(const Options& options);
DocumentJob DumpJob(const Options& options);
DocumentJob TokensJob(const Options& options);
DocumentJob Asn1Job(const Options& options);
// The job of options.command; empty for the filters below.
DocumentJob JobFor(const Options& options);

// Commands that filter standard input to standard output; each returns the exit status.
int RunEntities(const Options& options);
int RunConvert(const Options& options);

} // namespace vekparse
