#include "Program.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

extern char** environ;

namespace vektest {

namespace fs = std::filesystem;

Result Vekparse(const std::vector<std::string>& arguments, const std::string& input, const std::string& output)
{
    TempDir io;
    const std::string in = io.Write("stdin", input), out = output.empty() ? (io.Path() / "stdout").string() : output,
                      err = (io.Path() / "stderr").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<std::string> all{VEKPARSE_PROGRAM};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : all) argv.push_back(argument.data());
    argv.push_back(nullptr);
    Result result;
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    if (output.empty()) result.out = ReadFile(out);
    result.err = ReadFile(err);
    return result;
}

std::vector<nlohmann::json> JsonLines(const std::string& out)
{
    std::vector<nlohmann::json> objects;
    for (const std::string& line : Lines(out)) {
        EXPECT_TRUE(nlohmann::json::accept(line)) << line.substr(0, 200);
        if (nlohmann::json::accept(line)) objects.push_back(nlohmann::json::parse(line));
    }
    return objects;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string Shell(const std::string& command) { return test_support::Run(command).text; }

std::string Sample(const std::string& name) { return std::string(VEKPARSER_SOURCE_DIR) + "/samples/" + name; }

std::vector<std::string> PythonDocPages(std::size_t step)
{
    std::vector<std::string> pages;
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(test_support::PYTHON_DOC, error))
        if (entry.path().extension() == ".html") pages.push_back(entry.path().string());
    std::sort(pages.begin(), pages.end());
    std::vector<std::string> some;
    for (std::size_t i = 0; i < pages.size(); i += step) some.push_back(pages[i]);
    return some;
}

std::vector<nlohmann::json> JsonPerFile(std::vector<std::string> arguments, const std::vector<std::string>& files)
{
    arguments.insert(arguments.end(), {"--json", "-q", "-j", "2"});
    arguments.insert(arguments.end(), files.begin(), files.end());
    const Result result = Vekparse(arguments);
    EXPECT_EQ(result.status, 0) << result.err;
    std::vector<nlohmann::json> objects = JsonLines(result.out);
    EXPECT_EQ(objects.size(), files.size());
    for (std::size_t i = 0; i < std::min(objects.size(), files.size()); ++i) EXPECT_EQ(objects[i]["path"], files[i]);
    return objects.size() == files.size() ? objects : std::vector<nlohmann::json>{};
}

TempDir::TempDir()
{
    std::string pattern = (fs::temp_directory_path() / "vekparse-test-XXXXXX").string();
    if (mkdtemp(pattern.data())) m_Path = pattern;
}

TempDir::~TempDir()
{
    std::error_code error;
    fs::remove_all(m_Path, error);
}

std::string TempDir::Write(const std::string& relative, const std::string& bytes) const
{
    const fs::path path = m_Path / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
}

} // namespace vektest
