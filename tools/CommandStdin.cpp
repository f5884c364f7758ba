// vekparse entities and vekparse convert: filters from standard input to standard output.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>

#include <fmt/format.h>

#include <VEKParser/encoding/SGMLEncodingHelper.h>
#include <VEKParser/host/MappedFile.h>
#include <VEKParser/html/vocabulary/HtmlEntities.h>

#include "Commands.h"
#include "Document.h"

namespace vekparse {

namespace {

void Write(const std::string& bytes) { std::fwrite(bytes.data(), 1, bytes.size(), stdout); }

VEK::WString ApplyEntities(const Options& options, const VEK::WString& line)
{
    const VEKParser::HtmlEntities& entities = *VEKParser::HtmlEntities::GetInstance();
    VEK::WString out;
    switch (options.entityMode) {
    case EntityMode::Escape: entities.Escape(line, out, options.escapeDelimiters, options.escapeAbove255); break;
    case EntityMode::Unescape: entities.Unescape(line, out); break;
    case EntityMode::UnescapeUri: entities.UnescapeURI(line, out); break;
    }
    return out;
}

// Each line is one text (for unescape-uri one URI, whose query part starts at its first "?").
void FilterEntities(const Options& options, std::string_view input)
{
    const VEKParser::SGMLEncodingHelper utf8(VEK::CHARSET_UTF8);
    VEK::WString line;
    while (!input.empty()) {
        const std::size_t end = std::min(input.find('\n'), input.size());
        utf8.ExpandToUnicode(std::string(input.substr(0, end)), line);
        Write(VEK::ToUtf8(ApplyEntities(options, line)));
        if (end < input.size()) std::fputc('\n', stdout);
        input.remove_prefix(std::min(end + 1, input.size()));
    }
}

template <class Filter>
int RunFilter(Filter&& filter)
{
    try {
        filter(ReadStandardInput());
        if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return 0;
        fmt::print(stderr, "vekparse: cannot write standard output: {}\n", std::strerror(errno));
        return 1;
    } catch (const std::exception& e) {
        fmt::print(stderr, "vekparse: {}\n", e.what());
    } catch (const VEK::BaseException& e) {
        fmt::print(stderr, "vekparse: {}\n", VEK::ToUtf8(e.What()));
    }
    return 1;
}

} // namespace

int RunEntities(const Options& options)
{
    return RunFilter([&](const std::string& input) { FilterEntities(options, input); });
}

int RunConvert(const Options& options)
{
    return RunFilter([&](const std::string& input) {
        VEKFile::MemoryViewStream stream(input.data(), static_cast<unsigned>(input.size()));
        VEK::WString text;
        VEKParser::SGMLEncodingHelper(options.charset).ExpandToUnicode(stream, text);
        Write(VEK::ToUtf8(text));
    });
}

} // namespace vekparse
