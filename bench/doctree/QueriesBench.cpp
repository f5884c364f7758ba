// The whole job a caller of document trees does on a page, on each sample: parse, collect the text
// outside script and style, collect the link targets. Beside libxml2's HTML parser, gumbo and
// MyHTML doing the same job on the same bytes, in the same run.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <gumbo.h>
#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include <VEKParser/host/MemoryBuffer.h>
#include <VEKParser/html/doctree/DocTree.h>
#include <VEKParser/html/doctree/ReadableText.h>

#include "bench/Corpus.h"
#include "bench/MyHtmlPeer.h"
#include "tools/HtmlDocument.h"

namespace {

using vek_bench::Corpus;

// Of python3-doc about 200 pages spread over the documentation, the sample the tests compare with
// Python's html.parser. The library reads them as streams, the peers as strings; each process
// loads only the form its benchmarks use, so that peak memory counts the sample once.
constexpr std::size_t kSamplePages = 200;

const std::vector<std::string>& Pages(Corpus corpus)
{
    static const std::vector<std::string> python =
        vek_bench::ReadCorpusPages(Corpus::PythonDoc, vek_bench::SpreadStep(kSamplePages), kSamplePages);
    static const std::vector<std::string> debian = vek_bench::ReadCorpusPages(Corpus::DebianDoc, 1);
    return corpus == Corpus::PythonDoc ? python : debian;
}

vek_bench::StreamList& SampleStreams(Corpus corpus)
{
    static vek_bench::StreamList python =
        vek_bench::ReadCorpusStreams(Corpus::PythonDoc, vek_bench::SpreadStep(kSamplePages), kSamplePages);
    static vek_bench::StreamList debian = vek_bench::ReadCorpusStreams(Corpus::DebianDoc, 1);
    return corpus == Corpus::PythonDoc ? python : debian;
}

bool SkipWhenEmpty(benchmark::State& state, bool empty)
{
    if (empty) state.SkipWithError("no HTML documentation is installed");
    return empty;
}

void BM_DocParseTextLinks(benchmark::State& state, Corpus corpus)
{
    auto& buffers = SampleStreams(corpus);
    if (SkipWhenEmpty(state, buffers.empty())) return;
    const VEKParser::HtmlKeywordTable table(VEKParser::DEFAULT_PRT);
    VEK::WString text;
    std::vector<VEKParser::HtmlDocTree::LinkCaption> links;
    for (auto _ : state) {
        for (auto& buffer : buffers) {
            buffer->SeekG(0);
            VEKParser::HtmlDocTree tree(65001);
            VEKParser::HtmlDocParser parser(*buffer, table, tree);
            parser.Parse();
            tree.GetText(text);
            links.clear();
            tree.GetLinks(links);
            benchmark::DoNotOptimize(text.data());
            benchmark::DoNotOptimize(links.data());
        }
    }
    state.SetBytesProcessed(state.iterations() * vek_bench::TotalBytes(buffers));
}
VEK_CORPUS_BENCHMARK(BM_DocParseTextLinks);

// What vekparser's parse_html, text() and links() do in C++: the charset chosen as vekparse
// chooses it, the readable text, the links. The Python row of bench/compare is measured beside it.
void BM_DocAsPythonDoes(benchmark::State& state, Corpus corpus)
{
    const auto& pages = Pages(corpus);
    if (SkipWhenEmpty(state, pages.empty())) return;
    const VEKParser::HtmlKeywordTable table(VEKParser::DEFAULT_PRT);
    VEK::WString text;
    std::vector<VEKParser::HtmlDocTree::LinkCaption> links;
    for (auto _ : state) {
        for (const std::string& page : pages) {
            const vekparse::HtmlDocument document(page, VEK::CHARSET_UNKNOWN, table);
            VEKParser::GetReadableText(document.Tree(), text);
            links.clear();
            document.Tree().GetLinks(links);
            benchmark::DoNotOptimize(text.data());
            benchmark::DoNotOptimize(links.data());
        }
    }
    state.SetBytesProcessed(state.iterations() * vek_bench::TotalBytes(pages));
}
VEK_CORPUS_BENCHMARK(BM_DocAsPythonDoes);

// Each sample parsed once, for the benchmarks of queries alone.
const std::vector<std::unique_ptr<VEKParser::HtmlDocTree>>& ParsedTrees(Corpus corpus)
{
    const auto parse = [](Corpus which) {
        const VEKParser::HtmlKeywordTable table(VEKParser::DEFAULT_PRT);
        std::vector<std::unique_ptr<VEKParser::HtmlDocTree>> parsed;
        for (auto& buffer : SampleStreams(which)) {
            buffer->SeekG(0);
            parsed.push_back(std::make_unique<VEKParser::HtmlDocTree>(65001));
            VEKParser::HtmlDocParser(*buffer, table, *parsed.back()).Parse();
        }
        return parsed;
    };
    static const auto python = parse(Corpus::PythonDoc);
    static const auto debian = parse(Corpus::DebianDoc);
    return corpus == Corpus::PythonDoc ? python : debian;
}

// The queries alone, to see their share of the whole job.
void BM_QueriesOnParsedTrees(benchmark::State& state, Corpus corpus)
{
    auto& buffers = SampleStreams(corpus);
    if (SkipWhenEmpty(state, buffers.empty())) return;
    VEK::WString text;
    std::vector<VEKParser::HtmlDocTree::LinkCaption> links;
    for (auto _ : state) {
        for (const auto& tree : ParsedTrees(corpus)) {
            tree->GetText(text);
            links.clear();
            tree->GetLinks(links);
            benchmark::DoNotOptimize(text.data());
            benchmark::DoNotOptimize(links.data());
        }
    }
    state.SetBytesProcessed(state.iterations() * vek_bench::TotalBytes(buffers));
}
VEK_CORPUS_BENCHMARK(BM_QueriesOnParsedTrees);

// The flat text and the readable text of the same trees: the layout should cost little more.
template <void (*Query)(const VEKParser::HtmlDocTree&, VEK::WString&)>
void BM_TextOfParsedTrees(benchmark::State& state, Corpus corpus)
{
    auto& buffers = SampleStreams(corpus);
    if (SkipWhenEmpty(state, buffers.empty())) return;
    VEK::WString text;
    for (auto _ : state) {
        for (const auto& tree : ParsedTrees(corpus)) {
            Query(*tree, text);
            benchmark::DoNotOptimize(text.data());
        }
    }
    state.SetBytesProcessed(state.iterations() * vek_bench::TotalBytes(buffers));
}

void FlatText(const VEKParser::HtmlDocTree& tree, VEK::WString& text) { tree.GetText(text); }

void BM_FlatTextOfParsedTrees(benchmark::State& state, Corpus corpus) { BM_TextOfParsedTrees<FlatText>(state, corpus); }
VEK_CORPUS_BENCHMARK(BM_FlatTextOfParsedTrees);
void BM_ReadableTextOfParsedTrees(benchmark::State& state, Corpus corpus)
{
    BM_TextOfParsedTrees<VEKParser::GetReadableText>(state, corpus);
}
VEK_CORPUS_BENCHMARK(BM_ReadableTextOfParsedTrees);

struct Collected {
    std::string text;
    std::vector<std::string> hrefs;
};

bool IsHiddenName(const char* name)
{
    return std::strcmp(name, "script") == 0 || std::strcmp(name, "style") == 0;
}

void WalkLibxml2(xmlNode* node, Collected& out)
{
    for (; node != nullptr; node = node->next) {
        if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
            if (node->content != nullptr) out.text += reinterpret_cast<const char*>(node->content);
            continue;
        }
        if (node->type != XML_ELEMENT_NODE) continue;
        const char* name = reinterpret_cast<const char*>(node->name);
        if (IsHiddenName(name)) continue;
        if (std::strcmp(name, "a") == 0) {
            for (xmlAttr* attribute = node->properties; attribute != nullptr; attribute = attribute->next) {
                if (std::strcmp(reinterpret_cast<const char*>(attribute->name), "href") != 0) continue;
                if (attribute->children != nullptr && attribute->children->content != nullptr)
                    out.hrefs.emplace_back(reinterpret_cast<const char*>(attribute->children->content));
                break;
            }
        }
        WalkLibxml2(node->children, out);
    }
}

void IgnoreError(void*, const char*, ...) {}

void BM_Libxml2DocTextLinks(benchmark::State& state, Corpus corpus)
{
    if (SkipWhenEmpty(state, Pages(corpus).empty())) return;
    xmlSetGenericErrorFunc(nullptr, IgnoreError);
    Collected collected;
    for (auto _ : state) {
        for (const std::string& page : Pages(corpus)) {
            htmlDocPtr document = htmlReadMemory(page.data(), static_cast<int>(page.size()), nullptr, "UTF-8",
                                                 HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
            collected.text.clear();
            collected.hrefs.clear();
            WalkLibxml2(xmlDocGetRootElement(document), collected);
            benchmark::DoNotOptimize(collected.text.data());
            xmlFreeDoc(document);
        }
    }
    state.SetBytesProcessed(state.iterations() * vek_bench::TotalBytes(Pages(corpus)));
}
VEK_CORPUS_BENCHMARK(BM_Libxml2DocTextLinks);

void WalkGumbo(const GumboNode* node, Collected& out)
{
    if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE || node->type == GUMBO_NODE_CDATA) {
        out.text += node->v.text.text;
        return;
    }
    if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE) return;
    const GumboElement& element = node->v.element;
    if (element.tag == GUMBO_TAG_SCRIPT || element.tag == GUMBO_TAG_STYLE) return;
    if (element.tag == GUMBO_TAG_A) {
        if (const GumboAttribute* href = gumbo_get_attribute(&element.attributes, "href"))
            out.hrefs.emplace_back(href->value);
    }
    for (unsigned int i = 0; i < element.children.length; ++i)
        WalkGumbo(static_cast<const GumboNode*>(element.children.data[i]), out);
}

void BM_GumboDocTextLinks(benchmark::State& state, Corpus corpus)
{
    if (SkipWhenEmpty(state, Pages(corpus).empty())) return;
    Collected collected;
    for (auto _ : state) {
        for (const std::string& page : Pages(corpus)) {
            GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, page.data(), page.size());
            collected.text.clear();
            collected.hrefs.clear();
            WalkGumbo(output->root, collected);
            benchmark::DoNotOptimize(collected.text.data());
            gumbo_destroy_output(&kGumboDefaultOptions, output);
        }
    }
    state.SetBytesProcessed(state.iterations() * vek_bench::TotalBytes(Pages(corpus)));
}
VEK_CORPUS_BENCHMARK(BM_GumboDocTextLinks);

void BM_MyHtmlDocTextLinks(benchmark::State& state, Corpus corpus)
{
    if (SkipWhenEmpty(state, Pages(corpus).empty())) return;
    vek_bench::MyHtmlPeer myhtml;
    Collected collected;
    for (auto _ : state) {
        for (const std::string& page : Pages(corpus)) {
            myhtml.Parse(page);
            myhtml.Collect(collected.text, collected.hrefs);
            benchmark::DoNotOptimize(collected.text.data());
        }
    }
    state.SetBytesProcessed(state.iterations() * vek_bench::TotalBytes(Pages(corpus)));
}
VEK_CORPUS_BENCHMARK(BM_MyHtmlDocTextLinks);

} // namespace
