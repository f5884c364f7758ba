// vekparse: every subsystem of the library from the shell, on one document or on a million.
#include "Batch.h"
#include "CommandLine.h"
#include "Commands.h"
#include "Inputs.h"

namespace {

int RunDocuments(const vekparse::CommandLine& commandLine)
{
    const vekparse::Options& options = commandLine.GetOptions();
    if (options.inputs.empty() && options.filesFrom.empty())
        return commandLine.ReportUsageError("no input documents (name files, directories, - or --files-from)");
    try {
        return vekparse::RunBatch(options, vekparse::CollectInputs(options), vekparse::JobFor(options));
    } catch (const vekparse::UsageError& e) {
        return commandLine.ReportUsageError(e.what());
    }
}

} // namespace

int main(int argc, char** argv)
{
    vekparse::CommandLine commandLine;
    if (const auto status = commandLine.Parse(argc, argv)) return *status;
    switch (commandLine.GetOptions().command) {
    case vekparse::Command::Entities: return vekparse::RunEntities(commandLine.GetOptions());
    case vekparse::Command::Convert: return vekparse::RunConvert(commandLine.GetOptions());
    default: return RunDocuments(commandLine);
    }
}
