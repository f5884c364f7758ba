#include "HttpResponse.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <stdexcept>

#include "Gzip.h"

namespace vekparse {

namespace {

constexpr std::size_t MAX_HEADERS = 256;

bool EqualNoCase(std::string_view a, std::string_view b) noexcept
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

// Lists of codings ("gzip, chunked") name the last one applied last.
bool HasCoding(const HttpResponse& response, std::string_view header, std::string_view coding)
{
    const std::string* value = FindHeader(response.headers, header);
    if (!value) return false;
    for (std::string_view rest = *value; !rest.empty();) {
        const std::size_t comma = rest.find(',');
        if (EqualNoCase(TrimHeaderText(rest.substr(0, comma)), coding)) return true;
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    }
    return false;
}

std::string Dechunk(std::string_view body, std::size_t limit)
{
    std::string out;
    for (;;) {
        const std::size_t eol = body.find('\n');
        if (eol == std::string_view::npos) throw std::runtime_error("chunked HTTP body ends inside a chunk size");
        const std::string_view line = TrimHeaderText(body.substr(0, eol));
        std::size_t size = 0;
        const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), size, 16);
        if (error != std::errc() || end == line.data() || (end != line.data() + line.size() && *end != ';'))
            throw std::runtime_error("chunked HTTP body has a malformed chunk size");
        body.remove_prefix(eol + 1);
        if (size == 0) return out;  // trailers, if any, are of no use here
        if (size > body.size()) throw std::runtime_error("chunked HTTP body is cut inside a chunk");
        if (out.size() + size > limit) throw std::runtime_error("decoded HTTP body is too large");
        out.append(body.substr(0, size));
        body.remove_prefix(size);
        if (body.starts_with("\r\n")) body.remove_prefix(2);
        else if (body.starts_with("\n")) body.remove_prefix(1);
    }
}

} // namespace

std::string_view TrimHeaderText(std::string_view text) noexcept
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

const std::string* FindHeader(const HeaderList& headers, std::string_view name) noexcept
{
    for (const auto& [key, value] : headers)
        if (EqualNoCase(key, name)) return &value;
    return nullptr;
}

std::string HttpResponse::MediaType() const
{
    const std::string* value = FindHeader(headers, "Content-Type");
    if (!value) return {};
    std::string type(TrimHeaderText(std::string_view(*value).substr(0, value->find(';'))));
    std::transform(type.begin(), type.end(), type.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return type;
}

bool HttpResponse::IsHtml() const
{
    const std::string type = MediaType();
    return type == "text/html" || type == "application/xhtml+xml";
}

std::optional<std::size_t> ParseHttpHead(std::string_view bytes, HttpResponse& response)
{
    std::size_t end = bytes.find("\r\n\r\n");
    std::size_t blank = 4;
    if (const std::size_t bare = bytes.find("\n\n"); bare < end) end = bare, blank = 2;
    if (end == std::string_view::npos) return std::nullopt;
    std::string_view head = bytes.substr(0, end);
    const std::size_t eol = head.find('\n');
    const std::string_view status = TrimHeaderText(head.substr(0, eol));
    int code = 0;
    if (!status.starts_with("HTTP/") || status.size() < 12 || status[8] != ' ' ||
        std::from_chars(status.data() + 9, status.data() + 12, code).ptr != status.data() + 12)
        throw std::runtime_error("the HTTP status line is malformed");
    response.status = code;
    response.headers.clear();
    head = eol == std::string_view::npos ? std::string_view() : head.substr(eol + 1);
    while (!head.empty()) {
        const std::size_t next = head.find('\n');
        const std::string_view line = TrimHeaderText(head.substr(0, next));
        head = next == std::string_view::npos ? std::string_view() : head.substr(next + 1);
        const std::size_t colon = line.find(':');
        if (line.empty() || colon == std::string_view::npos) continue;  // browsers pass such lines by
        if (response.headers.size() == MAX_HEADERS) throw std::runtime_error("the HTTP head has too many headers");
        response.headers.emplace_back(TrimHeaderText(line.substr(0, colon)), TrimHeaderText(line.substr(colon + 1)));
    }
    return end + blank;
}

std::string DecodeHttpBody(const HttpResponse& response, std::string body, std::size_t limit)
{
    if (HasCoding(response, "Transfer-Encoding", "chunked")) body = Dechunk(body, limit);
    const bool gzip = HasCoding(response, "Content-Encoding", "gzip") || HasCoding(response, "Content-Encoding", "x-gzip");
    if (gzip || HasCoding(response, "Content-Encoding", "deflate")) body = InflateBody(body, !gzip, limit);
    return body;
}

} // namespace vekparse
