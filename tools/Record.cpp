#include "Record.h"

#include <array>

#include "Base64.h"
#include "Charsets.h"
#include "Quoting.h"

namespace vekparse {

Record::Record(bool json, const std::string& path, bool header) : m_bJson(json)
{
    if (m_bJson) {
        m_Fields["path"] = path;
        if (!IsValidUtf8(path)) m_Fields["path_base64"] = EncodeBase64(path);
    } else if (header) {
        m_sText.append("==> ").append(QuotedName(path)).append(" <==\n");
    }
}

void Record::MarkIncomplete(std::string why)
{
    if (m_bJson) m_Fields["complete"] = false;
    m_sIncomplete = std::move(why);
}

std::string& Record::RawField(std::string key)
{
    m_RawFields.emplace_back(std::move(key), std::string());
    return m_RawFields.back().second;
}

std::string Record::Finish()
{
    if (!m_bJson) return std::move(m_sText);
    // File names and document bytes need not be UTF-8; JSON must be.
    std::string line = m_Fields.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    line.pop_back();  // the closing brace
    for (const auto& [key, value] : m_RawFields) {
        line.push_back(',');
        AppendJsonString(line, key);
        line.append(":").append(value);
    }
    line.append("}\n");
    return line;
}

namespace {

// What each byte becomes inside a JSON string: 0 for itself, 1 for \u00XX, else the letter
// after a backslash.
constexpr std::array<char, 256> MakeJsonEscapes() noexcept
{
    std::array<char, 256> escapes{};
    for (int c = 0; c < 0x20; ++c) escapes[c] = 1;
    escapes['"'] = '"';
    escapes['\\'] = '\\';
    escapes['\b'] = 'b';
    escapes['\f'] = 'f';
    escapes['\n'] = 'n';
    escapes['\r'] = 'r';
    escapes['\t'] = 't';
    return escapes;
}

constexpr std::array<char, 256> JSON_ESCAPES = MakeJsonEscapes();

} // namespace

void AppendJsonString(std::string& out, std::string_view utf8)
{
    out.push_back('"');
    std::size_t run = 0;  // start of the bytes not yet copied
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char escape = JSON_ESCAPES[static_cast<unsigned char>(utf8[i])];
        if (!escape) continue;
        out.append(utf8, run, i - run);
        run = i + 1;
        if (escape == 1) {
            static constexpr char HEX[] = "0123456789abcdef";
            out.append("\\u00").push_back(HEX[utf8[i] >> 4]);
            out.push_back(HEX[utf8[i] & 15]);
        } else {
            out.push_back('\\');
            out.push_back(escape);
        }
    }
    out.append(utf8, run, utf8.size() - run);
    out.push_back('"');
}

} // namespace vekparse
