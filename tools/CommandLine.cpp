#include "CommandLine.h"

#include <iostream>
#include <map>

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include "Charsets.h"

namespace vekparse {

namespace {

enum OptionSet : unsigned { DOCUMENTS = 1, CHARSET = 2, PROFILE = 4, WARC = 8 };

struct CommandEntry {
    const char* name;
    const char* description;
    Command command;
    unsigned options;
};

constexpr CommandEntry COMMANDS[] = {
    {"text", "The text of each HTML document in lines and paragraphs (UTF-8).", Command::Text, DOCUMENTS | CHARSET | PROFILE | WARC},
    {"links", "The links of each HTML document with their captions, its base and redirect URIs.", Command::Links,
     DOCUMENTS | CHARSET | PROFILE | WARC},
    {"meta", "Title, subject, author, keywords, meta values and meta charset of each HTML document.",
     Command::Meta, DOCUMENTS | CHARSET | PROFILE | WARC},
    {"dump", "The document tree and the links of each HTML document, as the library dumps them.", Command::Dump,
     DOCUMENTS | CHARSET | PROFILE | WARC},
    {"tokens", "The tokenizer's elements of each document, one per line: type, offset, text.", Command::Tokens,
     DOCUMENTS | CHARSET | WARC},
    {"asn1", "The decoded tree of DER or PEM input (every PEM block), one line per value.", Command::Asn1, DOCUMENTS},
    {"entities", "Escape or unescape HTML entities, standard input to standard output, line by line.",
     Command::Entities, 0},
    {"convert", "Convert standard input from a charset to UTF-8 on standard output.", Command::Convert, 0},
};

const std::map<std::string, EntityMode> ENTITY_MODES = {
    {"escape", EntityMode::Escape},
    {"unescape", EntityMode::Unescape},
    {"unescape-uri", EntityMode::UnescapeUri},
};

std::string CheckCharset(const std::string& value)
{
    return ParseCharset(value) ? std::string() : "unknown charset " + value + " (give a name such as windows-1251 or a code page number)";
}

void AddDocumentOptions(CLI::App& command, Options& options, unsigned sets)
{
    command.add_option("inputs", options.inputs, "Files, directories (walked recursively) or - for standard input")
        ->option_text("FILE|DIRECTORY|- ...");
    command.add_option("--glob", options.globs, "Only files below directories whose name matches this pattern (repeatable)")
        ->allow_extra_args(false)
        ->option_text("PATTERN");
    command.add_option("--files-from", options.filesFrom, "Read further inputs from this list, one per line (- for standard input)")
        ->option_text("LIST");
    command.add_flag("--json", options.json, "Write JSON Lines: one object per document");
    command.add_option("-j,--jobs", options.threads, "Parse in this many threads (default: all cores)")
        ->check(CLI::Range(1u, 1024u))
        ->option_text("N");
    command.add_flag("-q,--quiet", options.quiet, "No progress bar and no summary line");
    if (sets & WARC)
        command.add_flag("--all-records", options.allRecords,
                         "Web archives: every response record is a document, not only HTML ones");
    if (sets & PROFILE)
        command.add_option("--profile", options.profile, "Tag vocabulary: default, notag or changedetector")
            ->transform(CLI::CheckedTransformer(ProfileNames(), CLI::ignore_case))
            ->option_text("NAME");
}

void AddCommandOptions(CLI::App& command, Command which, Options& options, std::string& charset)
{
    switch (which) {
    case Command::Text: {
        auto* raw = command.add_flag_function("--raw", [&](std::int64_t) { options.textKind = TextKind::Raw; },
                                             "The document's own bytes of text, no references resolved");
        auto* hidden = command.add_flag_function("--hidden", [&](std::int64_t) { options.textKind = TextKind::Hidden; },
                                                 "The hidden text: alternative texts, captions, meta keywords")
                           ->excludes(raw);
        command.add_flag_function("--flat", [&](std::int64_t) { options.textKind = TextKind::Flat; },
                                  "The text in one line, blocks joined by blanks (the library's GetText)")
            ->excludes(raw)
            ->excludes(hidden);
        break;
    }
    case Command::Links:
        command.add_flag("--absolute", options.absoluteLinks,
                         "Resolve each link against the document's base URI; a link that does not resolve stays as written");
        break;
    case Command::Entities:
        command.add_option("mode", options.entityMode, "escape, unescape or unescape-uri")
            ->required()
            ->transform(CLI::CheckedTransformer(ENTITY_MODES))
            ->option_text("MODE REQUIRED");
        command.add_flag_function("--keep-delimiters", [&](std::int64_t) { options.escapeDelimiters = false; },
                                  "escape: leave <, > and & as they are");
        command.add_flag("--numeric", options.escapeAbove255, "escape: write characters above U+00FF as &#N;");
        break;
    case Command::Convert:
        command.add_option("--from", charset, "The input's charset: a name or a code page number")
            ->required()
            ->check(CheckCharset)
            ->option_text("CHARSET REQUIRED");
        break;
    default: break;
    }
}

} // namespace

const std::map<std::string, VEKParser::PrtType>& ProfileNames()
{
    static const std::map<std::string, VEKParser::PrtType> profiles = {
        {"default", VEKParser::DEFAULT_PRT},
        {"notag", VEKParser::NOTAG_PRT},
        {"changedetector", VEKParser::CHANGEDETECTOR_PRT},
    };
    return profiles;
}

CommandLine::CommandLine() : m_pApp(std::make_unique<CLI::App>("Parse HTML and ASN.1 documents with VEKParser170NT.", "vekparse"))
{
    m_pApp->set_version_flag("--version", "vekparse " VEKPARSE_VERSION " (VEKParser170NT " VEKPARSE_VERSION ")");
    m_pApp->require_subcommand(1);
}

CommandLine::~CommandLine() = default;

std::optional<int> CommandLine::Parse(int argc, char** argv)
{
    std::string charset;
    for (const CommandEntry& entry : COMMANDS) {
        CLI::App* command = m_pApp->add_subcommand(entry.name, entry.description);
        if (entry.options & DOCUMENTS) AddDocumentOptions(*command, m_Options, entry.options);
        if (entry.options & CHARSET)
            command->add_option("--charset", charset, "Read every document in this charset (a name or a code page number)")
                ->check(CheckCharset)
                ->option_text("CHARSET");
        AddCommandOptions(*command, entry.command, m_Options, charset);
        command->callback([this, which = entry.command, archives = (entry.options & WARC) != 0] {
            m_Options.command = which;
            m_Options.archives = archives;
        });
    }
    try {
        m_pApp->parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return m_pApp->exit(e);
        return ReportUsageError(e.what());
    }
    if (!charset.empty()) m_Options.charset = *ParseCharset(charset);
    return std::nullopt;
}

int CommandLine::ReportUsageError(const std::string& message) const
{
    const std::vector<CLI::App*> chosen = m_pApp->get_subcommands();
    fmt::print(stderr, "vekparse: {}\n\n{}", message, chosen.empty() ? m_pApp->help() : chosen.front()->help("vekparse"));
    return 2;
}

} // namespace vekparse
