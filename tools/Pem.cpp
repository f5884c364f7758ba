#include "Pem.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "Base64.h"
#include "Quoting.h"

namespace vekparse {

namespace {

constexpr std::string_view BEGIN = "-----BEGIN ";
constexpr std::string_view END = "-----END ";
constexpr std::string_view DASHES = "-----";
constexpr unsigned char SKIP = 0xFE;   // white space
constexpr unsigned char WRONG = 0xFF;  // not base64

constexpr std::array<unsigned char, 256> MakeBase64Values() noexcept
{
    std::array<unsigned char, 256> values{};
    values.fill(WRONG);
    for (std::size_t i = 0; i < BASE64_ALPHABET.size(); ++i)
        values[static_cast<unsigned char>(BASE64_ALPHABET[i])] = static_cast<unsigned char>(i);
    for (const char c : std::string_view(" \t\r\n\v\f")) values[static_cast<unsigned char>(c)] = SKIP;
    return values;
}

constexpr std::array<unsigned char, 256> BASE64_VALUES = MakeBase64Values();

// Cuts the first line off `text`, without its line break.
std::string_view CutLine(std::string_view& text) noexcept
{
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (line.ends_with('\r')) line.remove_suffix(1);
    return line;
}

// The base64 of a block: encapsulated headers of old PEM ("Proc-Type: 4,ENCRYPTED",
// "DEK-Info: ..."; lines with a colon, continued by lines that start with white space) stand
// before it up to a blank line. An encrypted block holds no BER that could be decoded.
std::string_view WithoutHeaders(std::string_view block, const std::string& named)
{
    CutLine(block);  // the rest of the BEGIN line
    if (std::string_view first = block; CutLine(first).find(':') == std::string_view::npos) return block;
    for (;;) {
        if (block.empty()) throw std::runtime_error("PEM block " + named + " has no blank line after its headers");
        const std::string_view line = CutLine(block);
        if (line.find_first_not_of(" \t") == std::string_view::npos) return block;
        if (line.starts_with("Proc-Type:") && line.find("ENCRYPTED") != std::string_view::npos)
            throw std::runtime_error("PEM block " + named + " is encrypted");
    }
}

std::string DecodeBase64(std::string_view body, const std::string& named)
{
    std::string bytes;
    bytes.reserve(body.size() / 4 * 3);
    std::uint32_t bits = 0;
    unsigned count = 0;
    std::size_t i = 0;
    for (; i < body.size() && body[i] != '='; ++i) {
        const unsigned char value = BASE64_VALUES[static_cast<unsigned char>(body[i])];
        if (value == SKIP) continue;
        if (value == WRONG) throw std::runtime_error("PEM block " + named + " holds a character that is not base64");
        bits = bits << 6 | value;
        if (++count == 4) {
            bytes.push_back(static_cast<char>(bits >> 16));
            bytes.push_back(static_cast<char>(bits >> 8));
            bytes.push_back(static_cast<char>(bits));
            bits = 0;
            count = 0;
        }
    }
    if (count == 1) throw std::runtime_error("PEM block " + named + " is cut short");
    if (count >= 2) bytes.push_back(static_cast<char>(bits >> (count == 2 ? 4 : 10)));
    if (count == 3) bytes.push_back(static_cast<char>(bits >> 2));
    return bytes;
}

} // namespace

bool LooksLikePem(std::string_view bytes) noexcept
{
    // Text may stand before the first block; binary bytes, which DER starts with, may not.
    const std::size_t begin = bytes.find(BEGIN);
    if (begin == std::string_view::npos) return false;
    return std::none_of(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(begin), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r';
    });
}

std::vector<PemBlock> DecodePem(std::string_view text)
{
    std::vector<PemBlock> blocks;
    for (std::size_t begin; (begin = text.find(BEGIN)) != std::string_view::npos;) {
        text.remove_prefix(begin + BEGIN.size());
        const std::size_t labelEnd = text.find(DASHES);
        if (labelEnd == std::string_view::npos) throw std::runtime_error("PEM BEGIN line is cut short");
        const std::string label(text.substr(0, labelEnd));
        // The label is the document's text: quoted, it cannot break an error line.
        const std::string named = QuotedName(label);
        text.remove_prefix(labelEnd + DASHES.size());
        const std::string endLine = std::string(END) + label + std::string(DASHES);
        const std::size_t end = text.find(endLine);
        if (end == std::string_view::npos) throw std::runtime_error("PEM block " + named + " has no END line");
        blocks.push_back({label, DecodeBase64(WithoutHeaders(text.substr(0, end), named), named)});
        text.remove_prefix(end + endLine.size());
    }
    return blocks;
}

} // namespace vekparse
