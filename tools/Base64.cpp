#include "Base64.h"

#include <algorithm>
#include <cstdint>

namespace vekparse {

std::string EncodeBase64(std::string_view bytes)
{
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t bits = 0;
        for (std::size_t k = 0; k < 3; ++k)
            bits = bits << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        for (std::size_t k = 0; k < 4; ++k) out.push_back(k <= n ? BASE64_ALPHABET[bits >> (18 - 6 * k) & 63] : '=');
    }
    return out;
}

} // namespace vekparse
