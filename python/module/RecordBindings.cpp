// _inputs and _records: the records of `vekparse COMMAND --json`, made by the program's own code,
// for the cluster runner (vekparser.cluster).
#include <atomic>
#include <string>
#include <vector>

#include <pybind11/stl.h>

#include "Batch.h"
#include "Bindings.h"
#include "CommandLine.h"
#include "Commands.h"
#include "Inputs.h"

namespace vekpy {

namespace {

// The options of a vekparse command line (without the program's name); ValueError for wrong
// usage, which the parser has reported on standard error.
vekparse::Options ParseArguments(const std::vector<std::string>& arguments)
{
    std::vector<std::string> words{"vekparse"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    vekparse::CommandLine commandLine;
    if (commandLine.Parse(static_cast<int>(argv.size()), argv.data()))
        throw py::value_error("not a vekparse command line (see its message on standard error)");
    return commandLine.GetOptions();
}

// (path, error) for each document of the command line, in input order; error is empty unless
// the input could not be listed.
std::vector<std::pair<std::string, std::string>> Inputs(const std::vector<std::string>& arguments)
{
    const vekparse::Options options = ParseArguments(arguments);
    std::vector<vekparse::Input> inputs;
    try {
        inputs = vekparse::CollectInputs(options);
    } catch (const vekparse::UsageError& e) {
        throw py::value_error(e.what());
    }
    std::vector<std::pair<std::string, std::string>> listed;
    for (const vekparse::Input& input : inputs) {
        if (input.kind == vekparse::Input::Kind::Stdin) throw py::value_error("standard input cannot be shared");
        listed.emplace_back(input.path, input.error);
    }
    return listed;
}

// (JSON line, error) for each path, run as the command line's command runs it.
std::vector<std::pair<std::string, std::string>> Records(const std::vector<std::string>& arguments,
                                                         const std::vector<std::string>& paths)
{
    const vekparse::Options options = ParseArguments(arguments);
    const vekparse::DocumentJob job = vekparse::JobFor(options);
    if (!job) throw py::value_error("not a per-document command");
    std::vector<std::pair<std::string, std::string>> records;
    records.reserve(paths.size());
    py::gil_scoped_release unlocked;
    std::atomic<std::uint64_t> bytes{0};
    for (const std::string& path : paths) {
        vekparse::Outcome outcome = vekparse::ProcessDocument({path, vekparse::Input::Kind::File, {}}, job, true, false, bytes);
        records.emplace_back(std::move(outcome.output), std::move(outcome.error));
    }
    return records;
}

} // namespace

void BindRecords(py::module_& module)
{
    module.def("_inputs", &Inputs, py::arg("arguments"),
               "The documents a vekparse command line names, as vekparse lists them: (path, error) pairs.");
    module.def("_records", &Records, py::arg("arguments"), py::arg("paths"),
               "The records of `vekparse ARGUMENTS --json` for the given paths: (line, error) pairs.");
}

} // namespace vekpy
