// Tokenizing each sample beside libxml2's SAX HTML parser with empty callbacks and MyHTML's
// tokenizer without tree building, with the memchr scan of the same bytes as the bandwidth no
// tokenizer can pass; charset expansion of the python3-doc bytes beside ICU's ucnv_toUChars.
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <libxml/HTMLparser.h>
#include <unicode/ucnv.h>

#include <VEKParser/encoding/Encoding.h>
#include <VEKParser/host/MemoryBuffer.h>
#include <VEKParser/html/stream/Stream.h>

#include "bench/Corpus.h"
#include "bench/MyHtmlPeer.h"

namespace {

using vek_bench::Corpus;

// Of python3-doc every 13th page in path order, the sample the tests compare with Python's
// html.parser; or the other Debian documentation.
const std::vector<std::string>& Pages(Corpus corpus = Corpus::PythonDoc)
{
    static const std::vector<std::string> python = vek_bench::ReadCorpusPages(Corpus::PythonDoc, 13);
    static const std::vector<std::string> debian = vek_bench::ReadCorpusPages(Corpus::DebianDoc, 1);
    return corpus == Corpus::PythonDoc ? python : debian;
}

std::int64_t SampleBytes(Corpus corpus) { return vek_bench::TotalBytes(Pages(corpus)); }

std::vector<std::unique_ptr<VEKFile::MemoryBuffer>> Buffers(Corpus corpus) { return vek_bench::Streams(Pages(corpus)); }

bool SkipWithoutPages(benchmark::State& state, Corpus corpus)
{
    if (!Pages(corpus).empty()) return false;
    state.SkipWithError("no HTML documentation is installed");
    return true;
}

void BM_TokenizeGetNext(benchmark::State& state, Corpus corpus)
{
    if (SkipWithoutPages(state, corpus)) return;
    auto buffers = Buffers(corpus);
    VEKParser::HtmlStreamParserT<char> parser(65001);
    std::string text;
    unsigned start = 0, end = 0;
    for (auto _ : state) {
        for (auto& buffer : buffers) {
            buffer->SeekG(0);
            parser.SetBuffer(*buffer);
            while (!parser.EndOfFile()) benchmark::DoNotOptimize(parser.GetNext(start, end, text));
            parser.ReleaseBuffer();
        }
    }
    state.SetBytesProcessed(state.iterations() * SampleBytes(corpus));
}
VEK_CORPUS_BENCHMARK(BM_TokenizeGetNext);

// Elements pushed as 16-bit text, each tag taken apart into its name and attributes.
struct TagCallback : VEKParser::HtmlStreamParserCallback {
    VEKParser::HtmlStreamParserBaseT<unsigned short> base{1201};
    VEK::WString name, attributes;
    bool HandleElement(VEKParser::ElementType type, unsigned, unsigned, const VEK::WString& text) override
    {
        bool isEnd = false, isEmpty = false;
        if (type == VEKParser::ELEMENT_TAG) base.ParseTag(text, name, attributes, isEnd, isEmpty);
        return true;
    }
};

void BM_TokenizeParseWithTags(benchmark::State& state, Corpus corpus)
{
    if (SkipWithoutPages(state, corpus)) return;
    auto buffers = Buffers(corpus);
    VEKParser::HtmlStreamParserT<char> parser(65001);
    TagCallback callback;
    for (auto _ : state) {
        for (auto& buffer : buffers) {
            buffer->SeekG(0);
            parser.SetBuffer(*buffer);
            benchmark::DoNotOptimize(parser.Parse(callback));
            parser.ReleaseBuffer();
        }
    }
    state.SetBytesProcessed(state.iterations() * SampleBytes(corpus));
}
VEK_CORPUS_BENCHMARK(BM_TokenizeParseWithTags);

void IgnoreError(void*, const char*, ...) {}

void BM_Libxml2SaxHtml(benchmark::State& state, Corpus corpus)
{
    if (SkipWithoutPages(state, corpus)) return;
    xmlSetGenericErrorFunc(nullptr, IgnoreError);
    htmlSAXHandler sax{};
    for (auto _ : state) {
        for (const std::string& page : Pages(corpus)) {
            htmlParserCtxtPtr context =
                htmlCreatePushParserCtxt(&sax, nullptr, nullptr, 0, nullptr, XML_CHAR_ENCODING_UTF8);
            htmlCtxtUseOptions(context, HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
            htmlParseChunk(context, page.data(), static_cast<int>(page.size()), 1);
            htmlFreeParserCtxt(context);
        }
    }
    state.SetBytesProcessed(state.iterations() * SampleBytes(corpus));
}
VEK_CORPUS_BENCHMARK(BM_Libxml2SaxHtml);

void BM_MyHtmlTokenize(benchmark::State& state, Corpus corpus)
{
    if (SkipWithoutPages(state, corpus)) return;
    vek_bench::MyHtmlPeer myhtml;
    for (auto _ : state)
        for (const std::string& page : Pages(corpus)) myhtml.Parse(page, false);
    state.SetBytesProcessed(state.iterations() * SampleBytes(corpus));
}
VEK_CORPUS_BENCHMARK(BM_MyHtmlTokenize);

void BM_MemchrScan(benchmark::State& state, Corpus corpus)
{
    if (!SkipWithoutPages(state, corpus)) vek_bench::MemchrScan(state, Pages(corpus));
}
VEK_CORPUS_BENCHMARK(BM_MemchrScan);

const std::string& Joined()
{
    static const std::string joined = [] {
        std::string all;
        for (const std::string& page : Pages()) all += page;
        return all;
    }();
    return joined;
}

void BM_ExpandToUnicode(benchmark::State& state)
{
    if (Joined().empty()) state.SkipWithError("python3-doc is not installed");
    const VEKParser::SGMLEncodingHelper helper(static_cast<VEK::CHARSET>(state.range(0)));
    VEK::WString out;
    for (auto _ : state) benchmark::DoNotOptimize(helper.ExpandToUnicode(Joined(), out).size());
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(Joined().size()));
}
BENCHMARK(BM_ExpandToUnicode)->Arg(65001)->Arg(1252);

void BM_IcuToUChars(benchmark::State& state)
{
    if (Joined().empty()) state.SkipWithError("python3-doc is not installed");
    UErrorCode error = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(state.range(0) == 65001 ? "UTF-8" : "windows-1252", &error);
    std::vector<UChar> out(Joined().size() + 1);
    for (auto _ : state) {
        error = U_ZERO_ERROR;
        ucnv_resetToUnicode(converter);
        benchmark::DoNotOptimize(ucnv_toUChars(converter, out.data(), static_cast<int32_t>(out.size()), Joined().data(),
                                               static_cast<int32_t>(Joined().size()), &error));
    }
    ucnv_close(converter);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(Joined().size()));
}
BENCHMARK(BM_IcuToUChars)->Arg(65001)->Arg(1252);

} // namespace
