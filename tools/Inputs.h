#pragma once

#include <string>
#include <vector>

#include "Options.h"

namespace vekparse {

// One document of a batch, in the order the user gave them.
struct Input {
    enum class Kind { File, Stdin, Broken };
    std::string path;
    Kind kind = Kind::File;
    std::string error;  // why a Broken input could not be listed
};

// Expands the command line's inputs and the --files-from list: directories become the files
// below them (sorted by name, filtered by --glob, symbolic links to directories not followed).
// Throws UsageError when standard input is asked for twice or the list cannot be read.
std::vector<Input> CollectInputs(const Options& options);

} // namespace vekparse
