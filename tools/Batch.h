#pragma once

#include <functional>
#include <vector>

#include "Document.h"
#include "Inputs.h"
#include "Options.h"
#include "Record.h"

namespace vekparse {

// The work of one command on one document. Throws to report that the document failed.
using DocumentJob = std::function<void(Document& document, Record& record)>;

// Runs `job` over every input on the requested number of threads, writes the records to
// standard output in input order, one line per failure to standard error, the progress bar
// and the summary line. Returns the exit status: 0, or 1 when any document failed.
int RunBatch(const Options& options, const std::vector<Input>& inputs, const DocumentJob& job);

} // namespace vekparse
