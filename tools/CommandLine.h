#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "Options.h"

namespace CLI {
class App;
}

namespace vekparse {

// The tag vocabularies by the names --profile takes.
const std::map<std::string, VEKParser::PrtType>& ProfileNames();

// The command line's grammar: subcommands, their options and their help texts.
class CommandLine {
public:
    CommandLine();
    ~CommandLine();

    // Fills Options(); returns an exit status when the program is done already (after --help,
    // --version or wrong usage, which has been reported), else nothing.
    std::optional<int> Parse(int argc, char** argv);
    const Options& GetOptions() const noexcept { return m_Options; }

    // Reports wrong usage found after parsing: the message and the command's usage. Returns 2.
    int ReportUsageError(const std::string& message) const;

private:
    Options m_Options;
    std::unique_ptr<CLI::App> m_pApp;
};

} // namespace vekparse
