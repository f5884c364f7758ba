// _inputs and _records: the records of `vekparse COMMAND --json`, made by the program's own code,
// for the cluster runner (vekparser.cluster).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <pybind11/stl.h>

#include "Batch.h"
#include "Bindings.h"
#include "CommandLine.h"
#include "Commands.h"
#include "Conversions.h"
#include "DocumentFeed.h"
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

// File names are bytes; Python holds them as str with the bytes that are not UTF-8 escaped
// (os.fsdecode).
py::str FileNameStr(const std::string& name)
{
    PyObject* str = PyUnicode_DecodeFSDefaultAndSize(name.data(), static_cast<Py_ssize_t>(name.size()));
    if (!str) throw py::error_already_set();
    return py::reinterpret_steal<py::str>(str);
}

std::string FileNameBytes(const py::handle& name)
{
    PyObject* bytes = PyUnicode_EncodeFSDefault(name.ptr());
    if (!bytes) throw py::error_already_set();
    return py::reinterpret_steal<py::bytes>(bytes).cast<std::string>();
}

// Indexed by vekparse::Outcome::Kind.
constexpr const char* KIND_NAMES[] = {"done", "incomplete", "failed", "skipped"};

// (kind, note): what became of a document and the line vekparse writes about it.
py::tuple Fate(const vekparse::Outcome& outcome)
{
    return py::make_tuple(KIND_NAMES[outcome.kind],
                          outcome.kind == vekparse::Outcome::Done ? py::str() : Str(vekparse::Note(outcome)));
}

// (path, kind, note) for each input of the command line, in input order: kind "file" for a
// file to read, "warc" for a web archive the command reads record by record, else the fate
// vekparse gives an input it cannot list or skips.
py::list Inputs(const std::vector<std::string>& arguments)
{
    const vekparse::Options options = ParseArguments(arguments);
    std::vector<vekparse::Input> inputs;
    try {
        inputs = vekparse::CollectInputs(options);
    } catch (const vekparse::UsageError& e) {
        throw py::value_error(e.what());
    }
    py::list listed;
    for (const vekparse::Input& input : inputs) {
        if (input.kind == vekparse::Input::Kind::Stdin) throw py::value_error("standard input cannot be shared");
        const bool archive = options.archives && vekparse::DocumentFeed::StartsAsWarc(input.path);
        const py::tuple fate = input.kind == vekparse::Input::Kind::File
                                   ? py::make_tuple(archive ? "warc" : "file", py::str())
                                   : Fate(vekparse::ProcessInputs(options, {input}, {}).at(0));
        listed.append(py::make_tuple(FileNameStr(input.path), fate[0], fate[1]));
    }
    return listed;
}

// (JSON line as bytes, kind, note, input path) for each document of the files (every record of
// a web archive that starts in [start, stop)), made as the command line's command makes them.
py::list Records(const std::vector<std::string>& arguments, const py::list& names, std::uint64_t start,
                 std::optional<std::uint64_t> stop)
{
    vekparse::Options options = ParseArguments(arguments);
    options.json = true;
    std::vector<vekparse::Input> inputs;
    for (const py::handle name : names)
        inputs.push_back({FileNameBytes(name), vekparse::Input::Kind::File, {}, start, stop.value_or(UINT64_MAX)});
    const vekparse::DocumentJob job = vekparse::JobFor(options);
    if (!job) throw py::value_error("not a per-document command");
    std::vector<vekparse::Outcome> outcomes;
    {
        py::gil_scoped_release unlocked;
        outcomes = vekparse::ProcessInputs(options, inputs, job);
    }
    py::list records(outcomes.size());
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        const py::tuple fate = Fate(outcomes[i]);
        records[i] = py::make_tuple(py::bytes(outcomes[i].output), fate[0], fate[1], FileNameStr(outcomes[i].name));
    }
    return records;
}

} // namespace

void BindRecords(py::module_& module)
{
    module.def("_inputs", &Inputs, py::arg("arguments"),
               "The documents a vekparse command line names, as vekparse lists them: (path, kind, note).");
    module.def("_records", &Records, py::arg("arguments"), py::arg("paths"), py::arg("start") = 0,
               py::arg("stop") = py::none(),
               "The records of `vekparse ARGUMENTS --json` for the given files: (line, kind, note, path).\n"
               "Of a web archive only the records that start in the byte range [start, stop) (stop None: the end);\n"
               "however an archive is cut into ranges, each of its records comes from exactly one.");
}

} // namespace vekpy
