#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vekparse {

// One "-----BEGIN label-----" ... "-----END label-----" block, its base64 body decoded.
struct PemBlock {
    std::string label;
    std::string der;
};

// Whether the bytes are PEM text rather than binary DER: a BEGIN line after nothing but text.
bool LooksLikePem(std::string_view bytes) noexcept;

// Every block in order; text outside the blocks and encapsulated headers (RFC 1421) are
// ignored, as OpenSSL does. Throws std::runtime_error for a block without its END line, with
// characters that are not base64, or encrypted. The errors name the label as QuotedName does.
std::vector<PemBlock> DecodePem(std::string_view text);

} // namespace vekparse
