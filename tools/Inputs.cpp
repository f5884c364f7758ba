#include "Inputs.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <fnmatch.h>
#include <unistd.h>

#include "Document.h"
#include "Quoting.h"

namespace vekparse {

namespace fs = std::filesystem;

namespace {

class InputCollector {
public:
    explicit InputCollector(const Options& options) : m_Globs(options.globs) {}

    void Add(const std::string& argument)
    {
        if (argument == "-") {
            UseStdin("standard input is named twice");
            m_Inputs.push_back({"-", Input::Kind::Stdin, {}});
            return;
        }
        std::error_code error;
        if (fs::is_directory(argument, error))
            Walk(argument);
        else
            m_Inputs.push_back({argument, Input::Kind::File, {}});  // opening it tells what is wrong
    }

    void AddList(const std::string& list)
    {
        if (list == "-") UseStdin("standard input cannot be both a document and the --files-from list");
        // Read whole before anything else, so that a list that cannot be read (a directory, a
        // read error halfway) stops the program instead of giving part of a batch.
        const int fd = list == "-" ? STDIN_FILENO : ::open(list.c_str(), O_RDONLY | O_CLOEXEC);
        std::string text, failure = fd < 0 ? std::strerror(errno) : "";
        try {
            if (fd >= 0) text = ReadToEnd(fd);
        } catch (const std::runtime_error& e) {
            failure = e.what();
        }
        if (fd > STDIN_FILENO) ::close(fd);
        if (!failure.empty()) throw UsageError("cannot read the --files-from list " + QuotedName(list) + ": " + failure);
        AddLines(text);
    }

    std::vector<Input> Take() { return std::move(m_Inputs); }

private:
    void UseStdin(const char* conflict)
    {
        if (m_bStdinUsed) throw UsageError(conflict);
        m_bStdinUsed = true;
    }

    void AddLines(std::string_view text)
    {
        while (!text.empty()) {
            const std::size_t end = std::min(text.find('\n'), text.size());
            std::string_view line = text.substr(0, end);
            text.remove_prefix(std::min(end + 1, text.size()));
            if (line.ends_with('\r')) line.remove_suffix(1);
            if (!line.empty()) Add(std::string(line));
        }
    }

    bool Matches(const fs::path& relative) const
    {
        if (m_Globs.empty()) return true;
        const std::string name = relative.filename().string();
        const std::string path = relative.generic_string();
        return std::any_of(m_Globs.begin(), m_Globs.end(), [&](const std::string& glob) {
            const bool withDirectory = glob.find('/') != std::string::npos;
            return fnmatch(glob.c_str(), (withDirectory ? path : name).c_str(), withDirectory ? FNM_PATHNAME : 0) == 0;
        });
    }

    // Depth first with an explicit stack: a deep tree of directories costs memory, not stack.
    void Walk(const fs::path& root)
    {
        std::vector<std::pair<std::vector<fs::directory_entry>, std::size_t>> stack;
        stack.push_back({List(root), 0});
        while (!stack.empty()) {
            auto& [entries, next] = stack.back();
            if (next == entries.size()) {
                stack.pop_back();
                continue;
            }
            const fs::directory_entry entry = entries[next++];
            std::error_code error;
            if (entry.is_directory(error) && !entry.is_symlink(error)) {
                stack.push_back({List(entry.path()), 0});
            } else if (Matches(entry.path().lexically_relative(root))) {
                std::string skipped = SkipReason(entry);
                m_Inputs.push_back({entry.path().string(), skipped.empty() ? Input::Kind::File : Input::Kind::Skipped,
                                    std::move(skipped)});
            }
        }
    }

    // Why the walk passes an entry by; empty for a regular file (or a link to one). Opening
    // any other kind could block (a FIFO) or fail without a document to report.
    static std::string SkipReason(const fs::directory_entry& entry)
    {
        std::error_code error;
        const fs::file_type type = entry.status(error).type();
        if (type == fs::file_type::regular) return {};
        if (type == fs::file_type::not_found && entry.is_symlink(error)) return "dangling symbolic link";
        if (error) return error.message();
        if (type == fs::file_type::directory) return "symbolic link to a directory, not followed";
        return "not a regular file";
    }

    std::vector<fs::directory_entry> List(const fs::path& directory)
    {
        std::vector<fs::directory_entry> entries;
        std::error_code error;
        for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error))
            entries.push_back(*it);
        if (error) m_Inputs.push_back({directory.string(), Input::Kind::Broken, error.message()});
        std::sort(entries.begin(), entries.end(),
                  [](const fs::directory_entry& a, const fs::directory_entry& b) { return a.path() < b.path(); });
        return entries;
    }

    const std::vector<std::string>& m_Globs;
    std::vector<Input> m_Inputs;
    bool m_bStdinUsed = false;
};

} // namespace

std::vector<Input> CollectInputs(const Options& options)
{
    InputCollector collector(options);
    for (const std::string& argument : options.inputs) collector.Add(argument);
    if (!options.filesFrom.empty()) collector.AddList(options.filesFrom);
    return collector.Take();
}

} // namespace vekparse
