#include "Charsets.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include <uchardet/uchardet.h>

#include <VEKParser/encoding/SGMLEncodingHelper.h>
#include <VEKParser/host/Conv.h>

namespace vekparse {

namespace {

constexpr VEK::CHARSET UTF16_LE = std::endian::native == std::endian::little ? VEK::CHARSET_UTF16 : VEK::CHARSET_UTF16_SWAPPED;
constexpr VEK::CHARSET UTF16_BE = std::endian::native == std::endian::little ? VEK::CHARSET_UTF16_SWAPPED : VEK::CHARSET_UTF16;

// Whether the conversion library can read the charset: one that it does not know converts
// nothing, which a user should hear about instead of getting empty text.
bool CanConvert(VEK::CHARSET charset)
{
    if (VEKCharset::Conv::FastConversionFunction(charset, VEK::CHARSET_UTF16)) return true;
    const VEKCharset::Conv::ConversionClass convert(VEKCharset::Conv::MbToWcConversionFunction(charset),
                                                    VEKCharset::Conv::WcToMbConversionFunction(VEK::CHARSET_UTF16));
    const unsigned char probe[] = {'a'};
    unsigned char out[16];
    std::uint32_t consumed = 0, produced = 0;
    convert(probe, sizeof probe, consumed, out, sizeof out, produced, true, false);
    return produced > 0;
}

} // namespace

std::optional<VEK::CHARSET> ParseCharset(std::string_view nameOrNumber)
{
    const VEK::CHARSET charset = VEKCharset::CharsetFromName(nameOrNumber);
    if (charset == VEK::CHARSET_UNKNOWN || !CanConvert(charset)) return std::nullopt;
    return charset;
}

VEK::CHARSET DeclaredCharset(std::string_view name)
{
    const auto charset = ParseCharset(name);
    if (!charset) return VEK::CHARSET_UNKNOWN;
    return IsWideCharset(*charset) ? VEK::CHARSET_UTF8 : *charset;
}

bool IsWideCharset(VEK::CHARSET charset) noexcept
{
    return charset == VEK::CHARSET_UTF16 || charset == VEK::CHARSET_UTF16_SWAPPED;
}

bool IsValidUtf8(std::string_view bytes) noexcept
{
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        if (n - i >= 8) {  // runs of ASCII, eight bytes at a time
            std::uint64_t word;
            std::memcpy(&word, s + i, 8);
            if ((word & 0x8080808080808080ull) == 0) {
                i += 8;
                continue;
            }
        }
        const unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        const std::size_t length = c < 0xC2 ? 0 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : c < 0xF5 ? 4 : 0;
        if (length == 0 || n - i < length) return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((s[i + k] & 0xC0) != 0x80) return false;
        const unsigned char second = s[i + 1];
        if ((c == 0xE0 && second < 0xA0) || (c == 0xED && second >= 0xA0) || (c == 0xF0 && second < 0x90) ||
            (c == 0xF4 && second >= 0x90))
            return false;  // overlong forms, surrogates, beyond U+10FFFF
        i += length;
    }
    return true;
}

const char* CharsetSourceName(CharsetSource source) noexcept
{
    static constexpr const char* NAMES[] = {"option", "bom", "http", "meta", "utf8", "detected", "default"};
    return NAMES[static_cast<unsigned>(source)];
}

CharsetChoice ChooseCharset(VEK::CHARSET forced, std::string_view bytes, std::string_view httpCharset)
{
    const CharsetChoice bom = bytes.starts_with("\xEF\xBB\xBF") ? CharsetChoice{VEK::CHARSET_UTF8, 3, CharsetSource::Bom}
                              : bytes.starts_with("\xFF\xFE")    ? CharsetChoice{UTF16_LE, 2, CharsetSource::Bom}
                              : bytes.starts_with("\xFE\xFF")    ? CharsetChoice{UTF16_BE, 2, CharsetSource::Bom}
                                                                  : CharsetChoice{};
    // A charset given on the command line wins; its own byte-order mark is still not content.
    if (forced != VEK::CHARSET_UNKNOWN)
        return {forced, bom.charset == forced ? bom.bomLength : 0, CharsetSource::Option};
    if (bom.source == CharsetSource::Bom) return bom;
    if (const auto http = ParseCharset(httpCharset)) return {*http, 0, CharsetSource::Http};
    if (IsValidUtf8(bytes)) return {VEK::CHARSET_UTF8, 0, CharsetSource::Utf8};
    return {VEK::CHARSET_WINDOWS_1252, 0, CharsetSource::Default};
}

bool Redeclare(CharsetChoice& choice, std::string_view declaredName, std::string_view content)
{
    if (choice.Settled()) return false;
    const VEK::CHARSET before = choice.charset;
    const VEK::CHARSET declared = declaredName.empty() ? VEK::CHARSET_UNKNOWN : DeclaredCharset(declaredName);
    if (declared != VEK::CHARSET_UNKNOWN) {
        choice.charset = declared;
        choice.source = CharsetSource::Meta;
    } else if (choice.source == CharsetSource::Default) {
        const VEK::CHARSET detected = DetectCharset(content);
        if (detected != VEK::CHARSET_UNKNOWN) choice = {detected, 0, CharsetSource::Detected};
    }
    return choice.charset != before;
}

VEK::CHARSET DetectCharset(std::string_view content)
{
    // A detector is costly to make: one per thread, reset between documents.
    thread_local const std::unique_ptr<uchardet, decltype(&uchardet_delete)> detector(uchardet_new(), uchardet_delete);
    if (!detector) return VEK::CHARSET_UNKNOWN;
    uchardet_reset(detector.get());
    if (uchardet_handle_data(detector.get(), content.data(), content.size()) != 0) return VEK::CHARSET_UNKNOWN;
    uchardet_data_end(detector.get());
    const char* name = uchardet_get_charset(detector.get());
    const auto charset = ParseCharset(name != nullptr ? name : "");
    if (!charset || IsWideCharset(*charset) || *charset == VEK::CHARSET_UTF8) return VEK::CHARSET_UNKNOWN;
    return *charset;
}

std::string CharsetOfContentType(std::string_view contentType)
{
    std::string lower(contentType);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const std::size_t key = lower.find("charset=");
    if (key == std::string::npos) return {};
    std::string_view value = std::string_view(lower).substr(key + 8);
    if (!value.empty() && (value.front() == '"' || value.front() == '\'')) value.remove_prefix(1);
    return std::string(value.substr(0, value.find_first_of("\"'; \t\r\n")));
}

std::string DecodeToUtf8(VEK::CHARSET charset, std::string_view bytes)
{
    VEK::WString wide;
    VEKParser::SGMLEncodingHelper(charset).ExpandToUnicode(std::string(bytes), wide);
    return VEK::ToUtf8(wide);
}

} // namespace vekparse
