#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <VEKParser/host/HostTypes.h>

namespace vekparse {

// A code page from a name ("windows-1251", "ISO-8859-2", "utf-8", "cp437") or a number ("1251")
// that the conversion library can read; nothing otherwise.
std::optional<VEK::CHARSET> ParseCharset(std::string_view nameOrNumber);

// What a document's own declaration (a meta charset) means. Follows what browsers do: labels
// of ASCII and Latin-1 mean 1252 (as for every name), and a 16-bit label in a document read as
// bytes means UTF-8. Unknown for a name nobody knows.
VEK::CHARSET DeclaredCharset(std::string_view name);

// Charsets whose units are 16 bits; documents in them are read with the 16-bit machinery.
bool IsWideCharset(VEK::CHARSET charset) noexcept;

bool IsValidUtf8(std::string_view bytes) noexcept;

// The charset a document is read in, and whether its own declaration may still change it.
struct CharsetChoice {
    VEK::CHARSET charset = VEK::CHARSET_UNKNOWN;
    unsigned bomLength = 0;  // bytes of byte-order mark before the content
    bool settled = false;    // given on the command line or by a byte-order mark
};

// The order of precedence is: the command line, a byte-order mark, the document's declaration
// (which the caller applies afterwards with Redeclare), valid UTF-8, and else 1252.
CharsetChoice ChooseCharset(VEK::CHARSET forced, std::string_view bytes);

// Applies a declared charset name to an unsettled choice; true when the document has to be
// read again in the charset it declares.
bool Redeclare(CharsetChoice& choice, std::string_view declaredName);

// The charset parameter of a media type ("text/html; charset=koi8-r"), or empty.
std::string CharsetOfContentType(std::string_view contentType);

// UTF-8 form of bytes in `charset`, without resolving character references.
std::string DecodeToUtf8(VEK::CHARSET charset, std::string_view bytes);

} // namespace vekparse
