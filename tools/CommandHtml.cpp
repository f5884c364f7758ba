// vekparse text, links, meta and dump: queries of the document tree.
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include <fmt/format.h>

#include <VEKParser/host/MemoryBuffer.h>

#include "Commands.h"
#include "HtmlDocument.h"
#include "UrlResolver.h"

namespace vekparse {

namespace {

using VEKParser::HtmlDocTree;

// Parses each document under the chosen profile, then lets `write` query it (and the document,
// when `write` takes it: links resolve against the address an archived document came from).
template <class Write>
DocumentJob HtmlJob(const Options& options, Write write)
{
    // The table is immutable once built: one serves every thread.
    auto table = std::make_shared<const VEKParser::HtmlKeywordTable>(options.profile);
    return [table, forced = options.charset, write](Document& document, Record& record) {
        const HtmlDocument html(document.Bytes(), forced, *table, document.HttpCharset());
        if (record.IsJson()) {
            record.Fields()["charset"] = html.Charset();
            record.Fields()["charset_source"] = CharsetSourceName(html.Source());
        }
        if (!html.Complete())
            record.MarkIncomplete("the parser stops at its nesting limit of 128 open elements; the record holds what came before");
        if constexpr (std::is_invocable_v<Write, const HtmlDocTree&, Record&, const Document&>)
            write(html.Tree(), record, document);
        else
            write(html.Tree(), record);
    };
}

void AppendLine(std::string& out, std::string_view text)
{
    out.append(text);
    if (!text.empty() && text.back() != '\n') out.push_back('\n');
}

std::string Utf8(const VEK::WString& text) { return VEK::ToUtf8(text); }

std::string TextOf(TextKind kind, const HtmlDocTree& tree)
{
    VEK::WString text;
    if (kind == TextKind::Raw) {
        VEKFile::MemoryBuffer raw;
        tree.GetRawText(raw, 0xFFFFFFFFu);
        std::string bytes;
        raw.SeekG(0);
        raw.Copy(bytes);
        return DecodeToUtf8(tree.GetCharset(), bytes);
    }
    if (kind == TextKind::Hidden)
        tree.GetHiddenText(text, VEKParser::HIDDEN_ATT_CAPTION | VEKParser::HIDDEN_ATT_KEYWORDS);
    else if (kind == TextKind::Flat)
        tree.GetText(text);
    else
        VEKParser::GetReadableText(tree, text);
    return Utf8(text);
}

// With `absolute`, each link also as resolved against the document's base, or against
// `fallbackBase` (the address the document came from) when it has none.
void WriteLinks(const HtmlDocTree& tree, Record& record, bool absolute, std::string_view fallbackBase)
{
    VEK::WString base, redirect;
    tree.GetBaseUri(base);
    tree.GetMetaRedirectUri(redirect);
    std::vector<HtmlDocTree::LinkCaption> links;
    tree.GetLinks(links);
    const std::string baseText = Utf8(base);
    std::optional<UrlResolver> resolver;
    if (absolute) resolver.emplace(baseText, fallbackBase);
    if (record.IsJson()) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const HtmlDocTree::LinkCaption& link : links) {
            const std::string href = Utf8(link.m_sUri);
            if (resolver)
                list.push_back({{"href", href}, {"url", resolver->Resolve(href)}, {"caption", Utf8(link.m_sCaption)}});
            else
                list.push_back({{"uri", href}, {"caption", Utf8(link.m_sCaption)}});
        }
        record.Fields()["base"] = baseText;
        record.Fields()["redirect"] = Utf8(redirect);
        record.Fields()["links"] = std::move(list);
        return;
    }
    std::string& out = record.Text();
    if (!base.empty()) out += fmt::format("base\t{}\n", baseText);
    if (!redirect.empty()) out += fmt::format("redirect\t{}\n", Utf8(redirect));
    for (const HtmlDocTree::LinkCaption& link : links) {
        const std::string href = Utf8(link.m_sUri);
        out += fmt::format("link\t{}\t{}\n", resolver ? resolver->Resolve(href) : href, Utf8(link.m_sCaption));
    }
}

void WriteMeta(const HtmlDocTree& tree, Record& record)
{
    HtmlDocTree::DocSummaryInformation summary;
    tree.GetSummaryInformation(summary);
    VEK::WString charset;
    tree.GetMetaCharset(charset);
    const std::pair<const char*, const VEK::WString*> fields[] = {
        {"meta_charset", &charset}, {"title", &summary.m_sTitle},     {"subject", &summary.m_sSubject},
        {"author", &summary.m_sAuthor}, {"keywords", &summary.m_sKeywords}};
    if (record.IsJson()) {
        for (const auto& [name, value] : fields) record.Fields()[name] = Utf8(*value);
        nlohmann::ordered_json meta = nlohmann::ordered_json::object();
        for (auto it = tree.GetMetaMapBegin(); it != tree.GetMetaMapEnd(); ++it) meta[it->first] = Utf8(it->second);
        record.Fields()["meta"] = std::move(meta);
        return;
    }
    std::string& out = record.Text();
    for (const auto& [name, value] : fields) out += fmt::format("{}: {}\n", name, Utf8(*value));
    for (auto it = tree.GetMetaMapBegin(); it != tree.GetMetaMapEnd(); ++it)
        out += fmt::format("meta {}: {}\n", it->first, Utf8(it->second));
}

void WriteDump(const HtmlDocTree& tree, Record& record)
{
    std::ostringstream treeDump;
    tree.DumpTree(treeDump);
    std::basic_ostringstream<unsigned short> linkDump;
    linkDump.imbue(VEK::WideStreamLocale());
    tree.DumpLink(linkDump);
    const std::string treeText = DecodeToUtf8(tree.GetCharset(), treeDump.str());
    const std::string linkText = Utf8(linkDump.str());
    if (record.IsJson()) {
        AppendJsonString(record.RawField("tree"), treeText);
        AppendJsonString(record.RawField("links"), linkText);
        return;
    }
    AppendLine(record.Text(), treeText);
    record.Text() += "\nLINKS\n-----\n";
    record.Text() += linkText;
}

} // namespace

DocumentJob TextJob(const Options& options)
{
    return HtmlJob(options, [kind = options.textKind](const HtmlDocTree& tree, Record& record) {
        const std::string text = TextOf(kind, tree);
        if (record.IsJson())
            AppendJsonString(record.RawField("text"), text);
        else
            AppendLine(record.Text(), text);
    });
}

DocumentJob LinksJob(const Options& options)
{
    // Archived documents fall back on the address they were fetched from; loose files have none.
    return HtmlJob(options, [absolute = options.absoluteLinks](const HtmlDocTree& tree, Record& record,
                                                                 const Document& document) {
        WriteLinks(tree, record, absolute, document.Url());
    });
}
DocumentJob MetaJob(const Options& options) { return HtmlJob(options, WriteMeta); }
DocumentJob DumpJob(const Options& options) { return HtmlJob(options, WriteDump); }

} // namespace vekparse
