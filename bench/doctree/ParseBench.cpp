// Building document trees from the python3-doc sample, beside libxml2's HTML parser and gumbo
// building theirs from the same bytes in the same run. Parsing only: no query.
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <gumbo.h>
#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include <VEKParser/host/MemoryBuffer.h>
#include <VEKParser/html/doctree/DocTree.h>

#include "bench/PythonDocSample.h"

namespace {

const std::vector<std::string>& Pages()
{
    static const std::vector<std::string> pages = vek_bench::ReadPythonDocSpread(200);
    return pages;
}

bool SkipWithoutPages(benchmark::State& state)
{
    if (!Pages().empty()) return false;
    state.SkipWithError("python3-doc is not installed");
    return true;
}

void CountBytes(benchmark::State& state)
{
    state.SetBytesProcessed(state.iterations() * vek_bench::TotalBytes(Pages()));
    state.counters["pages"] = static_cast<double>(Pages().size());
}

void BM_DocTreeParse(benchmark::State& state)
{
    if (SkipWithoutPages(state)) return;
    auto streams = vek_bench::Streams(Pages());
    const VEKParser::HtmlKeywordTable table(VEKParser::DEFAULT_PRT);
    for (auto _ : state) {
        for (auto& stream : streams) {
            VEKParser::HtmlDocTree tree(65001);
            VEKParser::HtmlDocParser parser(*stream, table, tree);
            benchmark::DoNotOptimize(parser.Parse());
        }
    }
    CountBytes(state);
}
BENCHMARK(BM_DocTreeParse)->Unit(benchmark::kMillisecond);

void BM_Libxml2HtmlReadMemory(benchmark::State& state)
{
    if (SkipWithoutPages(state)) return;
    constexpr int options = HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET;
    for (auto _ : state) {
        for (const std::string& page : Pages()) {
            htmlDocPtr doc = htmlReadMemory(page.data(), static_cast<int>(page.size()), "page.html", "UTF-8", options);
            benchmark::DoNotOptimize(doc);
            xmlFreeDoc(doc);
        }
    }
    CountBytes(state);
}
BENCHMARK(BM_Libxml2HtmlReadMemory)->Unit(benchmark::kMillisecond);

void BM_GumboParse(benchmark::State& state)
{
    if (SkipWithoutPages(state)) return;
    for (auto _ : state) {
        for (const std::string& page : Pages()) {
            GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, page.data(), page.size());
            benchmark::DoNotOptimize(output);
            gumbo_destroy_output(&kGumboDefaultOptions, output);
        }
    }
    CountBytes(state);
}
BENCHMARK(BM_GumboParse)->Unit(benchmark::kMillisecond);

} // namespace
