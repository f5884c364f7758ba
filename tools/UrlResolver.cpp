#include "UrlResolver.h"

#include <memory>

#include <curl/curl.h>

namespace vekparse {

namespace {

struct UrlDeleter {
    void operator()(CURLU* url) const noexcept { curl_url_cleanup(url); }
};
using Url = std::unique_ptr<CURLU, UrlDeleter>;

// Any scheme may be a base or a link; spaces and other bytes an address may not hold are
// percent-encoded as browsers do.
constexpr unsigned int kFlags = CURLU_NON_SUPPORT_SCHEME | CURLU_URLENCODE;

// Sets (or, for a relative address, resolves against what `url` holds) the whole address.
bool SetAddress(CURLU* url, const std::string& address)
{
    return curl_url_set(url, CURLUPART_URL, address.c_str(), kFlags) == CURLUE_OK;
}

// A reference of a fragment alone, or an empty one, keeps the base's path and query; libcurl
// resolves those against the base's directory, so they only change the fragment.
bool SetReference(CURLU* url, const std::string& href)
{
    if (href.empty()) return curl_url_set(url, CURLUPART_FRAGMENT, nullptr, 0) == CURLUE_OK;
    if (href.front() == '#') return curl_url_set(url, CURLUPART_FRAGMENT, href.c_str() + 1, kFlags) == CURLUE_OK;
    return SetAddress(url, href);
}

} // namespace

UrlResolver::UrlResolver(std::string_view baseHref, std::string_view fallback)
{
    Url base(curl_url());
    if (!base) return;
    const bool fallbackUsable = !fallback.empty() && SetAddress(base.get(), std::string(fallback));
    if (!baseHref.empty()) {
        Url declared(curl_url_dup(base.get()));
        if (declared && SetAddress(declared.get(), std::string(baseHref))) {
            m_pBase = declared.release();
            return;
        }
    }
    if (fallbackUsable) m_pBase = base.release();
}

UrlResolver::~UrlResolver()
{
    if (m_pBase != nullptr) curl_url_cleanup(m_pBase);
}

std::string UrlResolver::Resolve(const std::string& href) const
{
    if (m_pBase == nullptr) return href;
    const Url url(curl_url_dup(m_pBase));
    char* resolved = nullptr;
    if (!url || !SetReference(url.get(), href) || curl_url_get(url.get(), CURLUPART_URL, &resolved, 0) != CURLUE_OK)
        return href;
    std::string result(resolved);
    curl_free(resolved);
    return result;
}

} // namespace vekparse
