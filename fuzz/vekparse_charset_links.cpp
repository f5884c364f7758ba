// The per-document helpers of vekparse that see untrusted bytes besides the parser: the charset
// choice (HTTP charset, meta charset, detection over the bytes) and link resolution against a
// base. The input is split at its first two line feeds into an HTTP charset or base, a declared
// charset or fallback base, and the document or link. A choice must end in a charset, and a link
// resolves to something whenever it is not empty.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "Charsets.h"
#include "UrlResolver.h"

namespace {

std::string_view NextLine(std::string_view& rest)
{
    const std::size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    return line;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    const std::string_view first = NextLine(rest);
    const std::string_view second = NextLine(rest);

    vekparse::CharsetChoice choice = vekparse::ChooseCharset(VEK::CHARSET_UNKNOWN, rest, first);
    if (choice.bomLength > rest.size()) std::abort();
    vekparse::Redeclare(choice, second, rest.substr(choice.bomLength));
    if (choice.charset == VEK::CHARSET_UNKNOWN) std::abort();

    const std::string href(rest);
    if (!href.empty() && vekparse::UrlResolver(first, second).Resolve(href).empty()) std::abort();
    return 0;
}
