#pragma once

// The python3-doc pages the benchmarks read, chosen as the tests choose them, so that speed is
// measured on the pages whose results are checked against Python's html.parser.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <VEKParser/host/MemoryBuffer.h>

namespace vek_bench {

inline const std::filesystem::path kPythonDocRoot = "/usr/share/doc/python3/html";

// The page paths relative to the documentation root, sorted as strings (the tests' order).
inline std::vector<std::string> PythonDocPaths()
{
    std::vector<std::string> paths;
    if (!std::filesystem::exists(kPythonDocRoot)) return paths;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(kPythonDocRoot))
        if (entry.path().extension() == ".html")
            paths.push_back(entry.path().lexically_relative(kPythonDocRoot).string());
    std::sort(paths.begin(), paths.end());
    return paths;
}

// The step that spreads `count` pages evenly over the documentation.
inline std::size_t SpreadStep(std::size_t count)
{
    return std::max<std::size_t>(1, PythonDocPaths().size() / count);
}

// Calls `use` with the contents of every `step`-th page in path order, at most `most` of them;
// never when python3-doc is not installed.
template <class Use>
void ForEachPythonDocPage(std::size_t step, std::size_t most, Use use)
{
    const std::vector<std::string> paths = PythonDocPaths();
    for (std::size_t i = 0, taken = 0; i < paths.size() && taken < most; i += step, ++taken) {
        std::ifstream in(kPythonDocRoot / paths[i], std::ios::binary);
        use(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    }
}

inline std::int64_t TotalBytes(const std::vector<std::string>& pages)
{
    std::int64_t bytes = 0;
    for (const std::string& page : pages) bytes += static_cast<std::int64_t>(page.size());
    return bytes;
}

// In-memory streams over pages, for the library's parsers.
using StreamList = std::vector<std::unique_ptr<VEKFile::MemoryBuffer>>;

inline void AddStream(StreamList& streams, const std::string& page)
{
    streams.push_back(std::make_unique<VEKFile::MemoryBuffer>(page.data(), static_cast<unsigned>(page.size())));
}

inline StreamList Streams(const std::vector<std::string>& pages)
{
    StreamList streams;
    for (const std::string& page : pages) AddStream(streams, page);
    return streams;
}

inline std::int64_t TotalBytes(const StreamList& streams)
{
    std::int64_t bytes = 0;
    for (const auto& stream : streams) bytes += stream->Size();
    return bytes;
}

} // namespace vek_bench
