#pragma once

#include <string>
#include <string_view>

namespace vekparse {

// The base64 alphabet of RFC 4648, which PEM bodies are written in.
inline constexpr std::string_view BASE64_ALPHABET = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The base64 form of `bytes`, padded with "=".
std::string EncodeBase64(std::string_view bytes);

} // namespace vekparse
