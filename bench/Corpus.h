#pragma once

// The two samples the HTML benchmarks read: python3-doc pages, chosen as the tests choose them,
// and every other HTML page under /usr/share/doc, written by other tools (valgrind's, libxslt's,
// nodejs's documentation...), so that no result rests on the habits of one generator.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/PythonDocSample.h"

namespace vek_bench {

enum class Corpus { PythonDoc, DebianDoc };

inline const std::filesystem::path kDebianDocRoot = "/usr/share/doc";

// Regular .html files under /usr/share/doc outside python3's documentation, sorted.
inline std::vector<std::filesystem::path> DebianDocPaths()
{
    std::vector<std::filesystem::path> paths;
    std::error_code error;
    for (std::filesystem::recursive_directory_iterator it(kDebianDocRoot, error), end; !error && it != end;
         it.increment(error)) {
        const std::string path = it->path().string();
        if (it->path().extension() == ".html" && it->is_regular_file(error) &&
            path.find("/python3") == std::string::npos)
            paths.push_back(it->path());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

// Calls `use` with each page of the corpus: of python3-doc every `pythonStep`-th page, at most
// `pythonMost`; of the other Debian documentation every page.
template <class Use>
void ForEachCorpusPage(Corpus corpus, std::size_t pythonStep, std::size_t pythonMost, Use use)
{
    if (corpus == Corpus::PythonDoc) return ForEachPythonDocPage(pythonStep, pythonMost, use);
    for (const auto& path : DebianDocPaths()) {
        std::ifstream in(path, std::ios::binary);
        use(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    }
}

inline std::vector<std::string> ReadCorpusPages(Corpus corpus, std::size_t pythonStep,
                                                std::size_t pythonMost = SIZE_MAX)
{
    std::vector<std::string> pages;
    ForEachCorpusPage(corpus, pythonStep, pythonMost, [&](std::string&& page) { pages.push_back(std::move(page)); });
    return pages;
}

inline StreamList ReadCorpusStreams(Corpus corpus, std::size_t pythonStep, std::size_t pythonMost = SIZE_MAX)
{
    StreamList streams;
    ForEachCorpusPage(corpus, pythonStep, pythonMost, [&](std::string&& page) { AddStream(streams, page); });
    return streams;
}

// memchr over every byte of the pages, for a byte none of them holds: the single-core bandwidth
// no HTML work on the same bytes can pass.
inline void MemchrScan(benchmark::State& state, const std::vector<std::string>& pages)
{
    for (auto _ : state)
        for (const std::string& page : pages) benchmark::DoNotOptimize(std::memchr(page.data(), '\x01', page.size()));
    state.SetBytesProcessed(state.iterations() * TotalBytes(pages));
}

} // namespace vek_bench

// Registers a benchmark taking (state, Corpus) once per sample.
#define VEK_CORPUS_BENCHMARK(fn)                                                                                  \
    BENCHMARK_CAPTURE(fn, python_doc, vek_bench::Corpus::PythonDoc)->Unit(benchmark::kMillisecond);              \
    BENCHMARK_CAPTURE(fn, debian_doc, vek_bench::Corpus::DebianDoc)->Unit(benchmark::kMillisecond)
