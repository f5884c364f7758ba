// vekparse tokens: the stream tokenizer's elements, one per line.
#include <string>
#include <vector>

#include <fmt/format.h>

#include <VEKParser/host/MappedFile.h>
#include <VEKParser/host/StringFunctions.h>
#include <VEKParser/html/stream/HtmlStreamParser.h>

#include "Charsets.h"
#include "Commands.h"
#include "Tokens.h"

namespace vekparse {

namespace {

// Indexed by VEKParser::ElementType.
constexpr const char* ELEMENT_NAMES[] = {"tag", "comment", "text", "raw-text", "server-block", "section"};

std::string Utf8Of(VEK::CHARSET charset, const std::string& raw)
{
    return charset == VEK::CHARSET_UTF8 && IsValidUtf8(raw) ? raw : DecodeToUtf8(charset, raw);
}

std::string Utf8Of(VEK::CHARSET charset, const VEK::WString& raw)
{
    if (charset != VEK::CHARSET_UTF16_SWAPPED) return VEK::ToUtf8(raw);
    VEK::WString machine(raw);
    for (unsigned short& unit : machine) unit = static_cast<unsigned short>(unit << 8 | unit >> 8);
    return VEK::ToUtf8(machine);
}

// The first charset a meta tag declares, read from its own attributes.
void SniffMetaCharset(const VEKParser::HtmlStreamParserT<char>& parser, const std::string& tag, std::string& declared)
{
    VEK::WString name;
    std::string attributes, value;
    bool isEndTag = false, isEmptyTag = false;
    parser.ParseTag(tag, name, attributes, isEndTag, isEmptyTag);
    if (isEndTag || name != VEK::Widen("meta")) return;
    if (parser.FindSingleAttributeKey("charset", attributes, value)) {
        declared = value;
    } else if (parser.FindSingleAttributeKey("http-equiv", attributes, value) &&
               VEK::NoCase::IsEqual(value, "content-type") &&
               parser.FindSingleAttributeKey("content", attributes, value)) {
        declared = CharsetOfContentType(value);
    }
}

void SniffMetaCharset(const VEKParser::HtmlStreamParserT<unsigned short>&, const VEK::WString&, std::string&) {}

template <class CharT>
std::vector<Token> Tokenize(std::string_view bytes, const CharsetChoice& choice, std::string& declared)
{
    VEKFile::MemoryViewStream stream(bytes.data() + choice.bomLength,
                                     static_cast<unsigned>(bytes.size() - choice.bomLength));
    VEKParser::HtmlStreamParserT<CharT> parser(choice.charset, stream);
    std::vector<Token> tokens;
    std::basic_string<CharT> text;
    while (!parser.EndOfFile()) {
        unsigned start = 0, end = 0;
        const VEKParser::ElementType type = parser.GetNext(start, end, text);
        if (type == VEKParser::ELEMENT_TAG && declared.empty()) SniffMetaCharset(parser, text, declared);
        tokens.push_back({type, start + choice.bomLength, end + choice.bomLength, Utf8Of(choice.charset, text)});
    }
    return tokens;
}

// One token per line: control characters are written as C escapes.
void AppendEscaped(std::string& out, const std::string& text)
{
    for (const char c : text) {
        switch (c) {
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\\': out += "\\\\"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20)
                out += fmt::format("\\x{:02x}", static_cast<unsigned char>(c));
            else
                out += c;
        }
    }
}

void WriteTokens(const std::vector<Token>& tokens, const CharsetChoice& choice, Record& record)
{
    if (record.IsJson()) {
        record.Fields()["charset"] = choice.charset;
        record.Fields()["charset_source"] = CharsetSourceName(choice.source);
        std::string& list = record.RawField("tokens");
        list.push_back('[');
        for (const Token& token : tokens) {
            list += fmt::format("{{\"type\":\"{}\",\"start\":{},\"end\":{},\"text\":", ElementName(token.type),
                                token.start, token.end);
            AppendJsonString(list, token.text);
            list += "},";
        }
        if (list.back() == ',') list.pop_back();
        list.push_back(']');
        return;
    }
    std::string& out = record.Text();
    for (const Token& token : tokens) {
        out += fmt::format("{:<12} {:>8} ", ElementName(token.type), token.start);
        AppendEscaped(out, token.text);
        out += '\n';
    }
}

} // namespace

const char* ElementName(VEKParser::ElementType type) noexcept { return ELEMENT_NAMES[type]; }

std::vector<Token> Tokenize(std::string_view bytes, CharsetChoice& choice)
{
    std::string declared;
    if (IsWideCharset(choice.charset)) return Tokenize<unsigned short>(bytes, choice, declared);
    std::vector<Token> tokens = Tokenize<char>(bytes, choice, declared);
    if (Redeclare(choice, declared, bytes)) tokens = Tokenize<char>(bytes, choice, declared);
    return tokens;
}

DocumentJob TokensJob(const Options& options)
{
    return [forced = options.charset](Document& document, Record& record) {
        CharsetChoice choice = ChooseCharset(forced, document.Bytes(), document.HttpCharset());
        WriteTokens(Tokenize(document.Bytes(), choice), choice, record);
    };
}

} // namespace vekparse
