#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vekparse {

using HeaderList = std::vector<std::pair<std::string, std::string>>;

// `text` without the blanks, tabs and carriage return around it (header lines and values).
std::string_view TrimHeaderText(std::string_view text) noexcept;

// The value of the first header named `name` (any case), or nothing.
const std::string* FindHeader(const HeaderList& headers, std::string_view name) noexcept;

// The head of an HTTP response as a crawler stored it.
struct HttpResponse {
    int status = 0;
    HeaderList headers;

    // The media type of Content-Type in lower case, without parameters ("text/html").
    std::string MediaType() const;
    bool IsHtml() const;
};

// Parses the status line and headers at the start of `bytes`. Returns the length of the head
// (blank line included), or nothing when `bytes` ends before the blank line. Throws
// std::runtime_error for a head that is not HTTP.
std::optional<std::size_t> ParseHttpHead(std::string_view bytes, HttpResponse& response);

// The payload of a response body as sent: undoes chunked transfer coding, then gzip or deflate
// content coding. Throws std::runtime_error when damaged or larger than `limit` decoded.
std::string DecodeHttpBody(const HttpResponse& response, std::string body, std::size_t limit);

} // namespace vekparse
