#pragma once

#include <string>
#include <string_view>

// libcurl's URL handle, kept out of the headers.
struct Curl_URL;

namespace vekparse {

// Makes a document's links absolute with libcurl's URL API. The base is the document's own
// <base href>, resolved against the fallback when it is relative; else the fallback: the address
// the document was fetched from (an archived response's target URI; loose files have none).
class UrlResolver {
public:
    UrlResolver(std::string_view baseHref, std::string_view fallback);
    ~UrlResolver();
    UrlResolver(const UrlResolver&) = delete;
    UrlResolver& operator=(const UrlResolver&) = delete;

    // `href` made absolute; as written when there is no usable base or it does not resolve
    // (mailto:, javascript:, a malformed address).
    std::string Resolve(const std::string& href) const;

private:
    Curl_URL* m_pBase = nullptr;  // null: no usable base
};

} // namespace vekparse
