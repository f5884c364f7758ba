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
#include <vector>

#include <VEKParser/host/MemoryBuffer.h>

namespace vek_bench {

// The page paths relative to the documentation root, sorted as strings (the tests' order).
inline std::vector<std::string> PythonDocPaths(const std::filesystem::path& root)
{
    std::vector<std::string> paths;
    if (!std::filesystem::exists(root)) return paths;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        if (entry.path().extension() == ".html") paths.push_back(entry.path().lexically_relative(root).string());
    std::sort(paths.begin(), paths.end());
    return paths;
}

// The contents of every `step`-th page in path order, at most `most` of them; none when
// python3-doc is not installed.
inline std::vector<std::string> ReadPythonDocPages(std::size_t step, std::size_t most = SIZE_MAX,
                                                   const std::filesystem::path& root = "/usr/share/doc/python3/html")
{
    const std::vector<std::string> paths = PythonDocPaths(root);
    std::vector<std::string> contents;
    for (std::size_t i = 0; i < paths.size() && contents.size() < most; i += step) {
        std::ifstream in(root / paths[i], std::ios::binary);
        contents.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return contents;
}

// `count` pages spread evenly over the documentation.
inline std::vector<std::string> ReadPythonDocSpread(std::size_t count,
                                                    const std::filesystem::path& root = "/usr/share/doc/python3/html")
{
    const std::size_t pages = PythonDocPaths(root).size();
    return ReadPythonDocPages(std::max<std::size_t>(1, pages / count), count, root);
}

inline std::int64_t TotalBytes(const std::vector<std::string>& pages)
{
    std::int64_t bytes = 0;
    for (const std::string& page : pages) bytes += static_cast<std::int64_t>(page.size());
    return bytes;
}

// One in-memory stream per page, for the library's parsers.
inline std::vector<std::unique_ptr<VEKFile::MemoryBuffer>> Streams(const std::vector<std::string>& pages)
{
    std::vector<std::unique_ptr<VEKFile::MemoryBuffer>> buffers;
    for (const std::string& page : pages)
        buffers.push_back(std::make_unique<VEKFile::MemoryBuffer>(page.data(), static_cast<unsigned>(page.size())));
    return buffers;
}

} // namespace vek_bench
