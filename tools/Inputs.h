#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Options.h"

namespace vekparse {

// One document of a batch, in the order the user gave them.
struct Input {
    // Broken: a directory that could not be listed. Skipped: an entry of a walked directory
    // that is not a regular file (a FIFO, a device, a dangling link), reported but not read.
    enum class Kind { File, Stdin, Broken, Skipped };
    std::string path;
    Kind kind = Kind::File;
    std::string error;  // why a Broken input could not be listed, or why it was Skipped
    // A web archive gives only its records that start in [start, stop) (WarcReader::SetRange).
    std::uint64_t start = 0;
    std::uint64_t stop = UINT64_MAX;
};

// Expands the command line's inputs and the --files-from list: directories become the files
// below them (sorted by name, filtered by --glob, symbolic links to directories not followed,
// other entries that are not regular files Skipped). Throws UsageError when standard input is
// asked for twice or the list cannot be read (whole: no part of a list makes a batch).
std::vector<Input> CollectInputs(const Options& options);

} // namespace vekparse
