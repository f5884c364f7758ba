// The text helpers of vekparse that see untrusted bytes: a file name quoted for a line of text,
// PEM text decoded, bytes in base64. A quoted name must be valid UTF-8 without control bytes
// (nothing in it can break a line or reach a terminal as an escape sequence); PEM decoding ends
// in blocks or in std::runtime_error; anything else, or a crash, is a finding.
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>

#include "Base64.h"
#include "Charsets.h"
#include "Pem.h"
#include "Quoting.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string quoted = vekparse::QuotedName(bytes);
    if (!vekparse::IsValidUtf8(quoted)) std::abort();
    for (const char c : quoted)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) std::abort();
    if (vekparse::EncodeBase64(bytes).size() != (size + 2) / 3 * 4) std::abort();
    try {
        for (const vekparse::PemBlock& block : vekparse::DecodePem(bytes))
            if (block.der.size() > size) std::abort();
    } catch (const std::runtime_error&) {
    }
    return 0;
}
