#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Document.h"
#include "Inputs.h"
#include "Options.h"
#include "Record.h"

namespace vekparse {

// The work of one command on one document. Throws to report that the document failed.
using DocumentJob = std::function<void(Document& document, Record& record)>;

// What one document gave: its output, and a note when it is not simply done.
struct Outcome {
    enum Kind { Done, Incomplete, Failed, Skipped, KINDS };
    Kind kind = Done;
    std::string output;
    std::string note;  // why the document failed, was skipped or is incomplete
    std::string name = {};  // of the input, for the line about the document
};

// The outcomes of `job` on the documents of `inputs` (each record of a web archive one), in
// order, on the calling thread: what RunBatch writes, for front ends that write it elsewhere.
std::vector<Outcome> ProcessInputs(const Options& options, const std::vector<Input>& inputs, const DocumentJob& job);

// The line about the document after its name ("incomplete: ..."); for a document not Done.
std::string Note(const Outcome& outcome);

// Why the document at `path` failed, from the exception being handled (call it in a catch).
std::string DescribeFailure(const std::string& path = {});

// Runs `job` over every input on the requested number of threads, writes the records to
// standard output in input order, one line per failure to standard error, the progress bar
// and the summary line. Returns the exit status: 0, or 1 when any document failed.
int RunBatch(const Options& options, const std::vector<Input>& inputs, const DocumentJob& job);

} // namespace vekparse
