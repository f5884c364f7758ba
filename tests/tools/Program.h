#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/Support.h"

// Runs the vekparse program and a few helpers around its output.
namespace vektest {

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

// `arguments` are passed unquoted through no shell; `input` becomes standard input. Standard
// output goes to `output` when it is given (a device such as /dev/full) instead of Result::out.
Result Vekparse(const std::vector<std::string>& arguments, const std::string& input = {},
                const std::string& output = {});

// Each line of JSON Lines parsed; a line that is not JSON fails the test.
std::vector<nlohmann::json> JsonLines(const std::string& out);

std::vector<std::string> Lines(const std::string& text);

// Standard output of a shell command (for the reference tools the tests compare with).
std::string Shell(const std::string& command);

std::string Sample(const std::string& name);  // path of a file in samples/

using test_support::ReadFile;

// Every `step`-th page of the python3-doc pages, sorted; empty when they are not installed.
std::vector<std::string> PythonDocPages(std::size_t step);

// Runs `arguments` with --json -q -j 2 over `files`; the run must succeed with one object per
// file, in the order given.
std::vector<nlohmann::json> JsonPerFile(std::vector<std::string> arguments, const std::vector<std::string>& files);

// A directory that exists for the test and is removed afterwards.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& Path() const { return m_Path; }
    std::string Write(const std::string& relative, const std::string& bytes) const;

private:
    std::filesystem::path m_Path;
};

} // namespace vektest
