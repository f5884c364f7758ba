// Tag lookups and character-reference expansion on a real page, beside ICU's plain conversion of
// the same bytes (which resolves no references) as the yardstick.
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <unicode/ucnv.h>

#include <VEKParser/html/vocabulary/HtmlKeywordTable.h>
#include <VEKParser/html/vocabulary/NamedCharacters.h>

namespace {

const std::string& Page()
{
    static const std::string page = [] {
        std::ifstream in("/usr/share/doc/python3/html/library/stdtypes.html", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }();
    return page;
}

// The tag texts of the page as the document parser hands them over: from "<" up to ">".
const std::vector<std::string>& TagTexts()
{
    static const std::vector<std::string> tags = [] {
        std::vector<std::string> found;
        const std::string& page = Page();
        for (std::size_t open = page.find('<'); open != std::string::npos; open = page.find('<', open + 1)) {
            const std::size_t close = page.find('>', open);
            if (close == std::string::npos) break;
            found.push_back(page.substr(open, close - open));
        }
        return found;
    }();
    return tags;
}

void BM_ValidateKeyword(benchmark::State& state)
{
    const VEKParser::HtmlKeywordTable table(VEKParser::DEFAULT_PRT);
    const std::vector<std::string>& tags = TagTexts();
    if (tags.empty()) state.SkipWithError("python3-doc is not installed");
    VEK::RefCount<VEKParser::KeywordInfo> out;
    for (auto _ : state) {
        for (const std::string& tag : tags) {
            benchmark::DoNotOptimize(table.ValidateKeyword(tag.data(), static_cast<unsigned int>(tag.size()), out));
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * tags.size()));
}
BENCHMARK(BM_ValidateKeyword);

void BM_ExpandCharacterReferences(benchmark::State& state)
{
    const auto charset = static_cast<VEK::CHARSET>(state.range(0));
    const std::string& page = Page();
    if (page.empty()) state.SkipWithError("python3-doc is not installed");
    VEK::WString out;
    for (auto _ : state) {
        out.clear();
        VEKParser::ExpandCharacterReferences(charset, page, out, false);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_ExpandCharacterReferences)->Arg(65001)->Arg(1252);

void BM_IcuToUChars(benchmark::State& state)
{
    const char* name = state.range(0) == 65001 ? "UTF-8" : "windows-1252";
    const std::string& page = Page();
    UErrorCode status = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(name, &status);
    if (U_FAILURE(status) || page.empty()) state.SkipWithError("no converter or no page");
    std::vector<UChar> out(page.size() + 1);
    for (auto _ : state) {
        status = U_ZERO_ERROR;
        benchmark::DoNotOptimize(ucnv_toUChars(converter, out.data(), static_cast<int32_t>(out.size()), page.data(),
                                               static_cast<int32_t>(page.size()), &status));
    }
    ucnv_close(converter);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_IcuToUChars)->Arg(65001)->Arg(1252);

} // namespace
