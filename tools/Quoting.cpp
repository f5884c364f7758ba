#include "Quoting.h"

#include <fmt/format.h>

#include "Charsets.h"

namespace vekparse {

namespace {

// Bytes a shell reads as themselves; '~' and '#' only after the first byte.
bool IsPlainAscii(char c, bool first) noexcept
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    if (c == '~' || c == '#') return !first;
    return std::string_view("%+,-./:=@_").find(c) != std::string_view::npos;
}

// Length of the valid UTF-8 character at the start of `rest`, or 0.
std::size_t Utf8Length(std::string_view rest) noexcept
{
    const auto lead = static_cast<unsigned char>(rest[0]);
    const std::size_t length = lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 0;
    return length && length <= rest.size() && IsValidUtf8(rest.substr(0, length)) ? length : 0;
}

// C1 controls, and the marks that reorder a line on a terminal (line and paragraph separators,
// bidirectional embeddings, overrides and isolates): written as escapes like control bytes.
bool IsInvisibleControl(std::string_view utf8) noexcept
{
    char32_t code = static_cast<unsigned char>(utf8[0]) & (0xFF >> (utf8.size() + 1));
    for (std::size_t i = 1; i < utf8.size(); ++i) code = code << 6 | (static_cast<unsigned char>(utf8[i]) & 0x3F);
    return (code >= 0x80 && code <= 0x9F) || code == 0x200E || code == 0x200F || (code >= 0x2028 && code <= 0x202E) ||
           (code >= 0x2066 && code <= 0x2069);
}

// The characters of a name, each either printable (kept inside single quotes) or not (written
// as an escape of $'...').
struct Piece {
    std::string_view bytes;
    bool printable;
};

Piece NextPiece(std::string_view rest) noexcept
{
    const auto c = static_cast<unsigned char>(rest[0]);
    if (c < 0x80) return {rest.substr(0, 1), c >= 0x20 && c != 0x7F};
    const std::size_t length = Utf8Length(rest);
    if (length == 0) return {rest.substr(0, 1), false};
    return {rest.substr(0, length), !IsInvisibleControl(rest.substr(0, length))};
}

void AppendEscape(std::string& out, unsigned char c)
{
    switch (c) {
    case '\a': out += "\\a"; break;
    case '\b': out += "\\b"; break;
    case '\t': out += "\\t"; break;
    case '\n': out += "\\n"; break;
    case '\v': out += "\\v"; break;
    case '\f': out += "\\f"; break;
    case '\r': out += "\\r"; break;
    default: out += fmt::format("\\{:03o}", c);
    }
}

} // namespace

std::string QuotedName(std::string_view name)
{
    bool plain = !name.empty();
    for (std::size_t i = 0; plain && i < name.size();) {
        const Piece piece = NextPiece(name.substr(i));
        plain = piece.bytes.size() > 1 ? piece.printable : IsPlainAscii(name[i], i == 0);
        i += piece.bytes.size();
    }
    if (plain) return std::string(name);

    // Runs of printable characters go in single quotes, runs of the others in $'...', and a
    // single quote stands alone as \'.
    enum class State { Outside, Quoted, Escaped } state = State::Outside;
    std::string out;
    auto enter = [&](State next, std::string_view opening) {
        if (state == next) return;
        if (state != State::Outside) out.push_back('\'');
        if (next != State::Outside) out.append(opening);
        state = next;
    };
    for (std::size_t i = 0; i < name.size();) {
        const Piece piece = NextPiece(name.substr(i));
        i += piece.bytes.size();
        if (piece.bytes == "'") {
            enter(State::Outside, "");
            out.append("\\'");
        } else if (piece.printable) {
            enter(State::Quoted, "'");
            out.append(piece.bytes);
        } else {
            enter(State::Escaped, "$'");
            for (const char c : piece.bytes) AppendEscape(out, static_cast<unsigned char>(c));
        }
    }
    enter(State::Outside, "");
    return out.empty() ? "''" : out;
}

} // namespace vekparse
