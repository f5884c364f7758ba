// Building document trees from each sample, beside libxml2's HTML parser, gumbo and MyHTML
// building theirs from the same bytes in the same run. Parsing only: no query. The memchr scan of
// the same bytes is the bandwidth no parser can pass.
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <gumbo.h>
#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include <VEKParser/host/MemoryBuffer.h>
#include <VEKParser/html/doctree/DocTree.h>

#include "bench/Corpus.h"
#include "bench/MyHtmlPeer.h"

namespace {

using vek_bench::Corpus;

// About 200 python3-doc pages spread over the documentation, or the other Debian documentation.
const std::vector<std::string>& Pages(Corpus corpus)
{
    static const std::vector<std::string> python =
        vek_bench::ReadCorpusPages(Corpus::PythonDoc, vek_bench::SpreadStep(200), 200);
    static const std::vector<std::string> debian = vek_bench::ReadCorpusPages(Corpus::DebianDoc, 1);
    return corpus == Corpus::PythonDoc ? python : debian;
}

bool SkipWithoutPages(benchmark::State& state, Corpus corpus)
{
    if (!Pages(corpus).empty()) return false;
    state.SkipWithError("no HTML documentation is installed");
    return true;
}

void CountBytes(benchmark::State& state, Corpus corpus)
{
    state.SetBytesProcessed(state.iterations() * vek_bench::TotalBytes(Pages(corpus)));
    state.counters["pages"] = static_cast<double>(Pages(corpus).size());
}


void BM_DocTreeParse(benchmark::State& state, Corpus corpus)
{
    if (SkipWithoutPages(state, corpus)) return;
    auto streams = vek_bench::Streams(Pages(corpus));
    const VEKParser::HtmlKeywordTable table(VEKParser::DEFAULT_PRT);
    for (auto _ : state) {
        for (auto& stream : streams) {
            VEKParser::HtmlDocTree tree(65001);
            VEKParser::HtmlDocParser parser(*stream, table, tree);
            benchmark::DoNotOptimize(parser.Parse());
        }
    }
    CountBytes(state, corpus);
}
VEK_CORPUS_BENCHMARK(BM_DocTreeParse);

void BM_Libxml2HtmlReadMemory(benchmark::State& state, Corpus corpus)
{
    if (SkipWithoutPages(state, corpus)) return;
    constexpr int options = HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET;
    for (auto _ : state) {
        for (const std::string& page : Pages(corpus)) {
            htmlDocPtr doc = htmlReadMemory(page.data(), static_cast<int>(page.size()), "page.html", "UTF-8", options);
            benchmark::DoNotOptimize(doc);
            xmlFreeDoc(doc);
        }
    }
    CountBytes(state, corpus);
}
VEK_CORPUS_BENCHMARK(BM_Libxml2HtmlReadMemory);

void BM_GumboParse(benchmark::State& state, Corpus corpus)
{
    if (SkipWithoutPages(state, corpus)) return;
    for (auto _ : state) {
        for (const std::string& page : Pages(corpus)) {
            GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, page.data(), page.size());
            benchmark::DoNotOptimize(output);
            gumbo_destroy_output(&kGumboDefaultOptions, output);
        }
    }
    CountBytes(state, corpus);
}
VEK_CORPUS_BENCHMARK(BM_GumboParse);

void BM_MyHtmlParse(benchmark::State& state, Corpus corpus)
{
    if (SkipWithoutPages(state, corpus)) return;
    vek_bench::MyHtmlPeer myhtml;
    for (auto _ : state)
        for (const std::string& page : Pages(corpus)) myhtml.Parse(page);
    CountBytes(state, corpus);
}
VEK_CORPUS_BENCHMARK(BM_MyHtmlParse);

void BM_MemchrScan(benchmark::State& state, Corpus corpus)
{
    if (!SkipWithoutPages(state, corpus)) vek_bench::MemchrScan(state, Pages(corpus));
}
VEK_CORPUS_BENCHMARK(BM_MemchrScan);

} // namespace
