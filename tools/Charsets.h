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

// Where a document's charset came from, in the order of precedence: the command line, a
// byte-order mark, the HTTP header of an archived response, the document's own meta charset,
// valid UTF-8, what a detector finds in the bytes, and else 1252.
enum class CharsetSource { Option, Bom, Http, Meta, Utf8, Detected, Default };

// "option", "bom", "http", "meta", "utf8", "detected" or "default".
const char* CharsetSourceName(CharsetSource source) noexcept;

// The charset a document is read in, and why.
struct CharsetChoice {
    VEK::CHARSET charset = VEK::CHARSET_UNKNOWN;
    unsigned bomLength = 0;  // bytes of byte-order mark before the content
    CharsetSource source = CharsetSource::Default;

    // Beyond the reach of the document's own declaration.
    bool Settled() const noexcept { return source <= CharsetSource::Http; }
};

// The first guess: settled by the command line, a byte-order mark or `httpCharset` (the charset
// parameter of an HTTP Content-Type, empty when there is none); otherwise UTF-8 when the bytes
// are valid UTF-8, else a provisional 1252 until Redeclare has seen the document's declaration.
CharsetChoice ChooseCharset(VEK::CHARSET forced, std::string_view bytes, std::string_view httpCharset = {});

// Completes an unsettled choice with the document's declared charset name (empty when it has
// none) and, failing that, with what the detector finds in `content` when it is not UTF-8;
// true when the document has to be read again in the charset chosen now.
bool Redeclare(CharsetChoice& choice, std::string_view declaredName, std::string_view content);

// The charset uchardet finds in `content` when the library converts it and it is read as bytes;
// unknown otherwise.
VEK::CHARSET DetectCharset(std::string_view content);

// The charset parameter of a media type ("text/html; charset=koi8-r"), or empty.
std::string CharsetOfContentType(std::string_view contentType);

// UTF-8 form of bytes in `charset`, without resolving character references.
std::string DecodeToUtf8(VEK::CHARSET charset, std::string_view bytes);

} // namespace vekparse
