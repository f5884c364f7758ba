#include <VEKParser/host/Conv.h>

#include <algorithm>
#include <charconv>
#include <string>

#include <unicode/ucnv.h>

namespace VEKCharset {

namespace {

// Labels ICU reads differently from browsers, or not at all. Pages labelled Latin-1 or ASCII
// routinely hold 1252's 0x80-0x9F characters, so they are read as 1252; 16-bit labels name
// the library's own 16-bit forms on a little-endian machine.
struct Label {
    const char* name;
    VEK::CHARSET charset;
};
constexpr Label LABELS[] = {
    {"iso-8859-1", 1252}, {"iso8859-1", 1252}, {"iso_8859-1", 1252}, {"latin1", 1252}, {"l1", 1252},
    {"iso-ir-100", 1252}, {"us-ascii", 1252},  {"ascii", 1252},      {"cp819", 1252},  {"ansi_x3.4-1968", 1252},
    {"gb2312", 936},      {"gbk", 936},        {"x-gbk", 936},       {"utf-16", 1201}, {"utf-16le", 1201},
    {"utf-16be", 1210},   {"unicode", 1201},   {"x-sjis", 932},      {"utf8", 65001},  {"unicode-1-1-utf-8", 65001},
};

std::string Normalized(std::string_view name)
{
    const auto isNoise = [](char c) { return c == ' ' || c == '\t' || c == '"' || c == '\'' || c == '\r' || c == '\n'; };
    while (!name.empty() && isNoise(name.front())) name.remove_prefix(1);
    while (!name.empty() && isNoise(name.back())) name.remove_suffix(1);
    std::string text(name);
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    return text;
}

// "1252", "windows-1252", "cp1252", "x-cp1252", "ibm866" or "ibm-866": the number they carry.
VEK::CHARSET NumberedName(std::string_view text)
{
    for (std::string_view prefix : {"windows-", "x-cp", "cp", "ibm-", "ibm", ""}) {
        if (text.substr(0, prefix.size()) != prefix) continue;
        const std::string_view digits = text.substr(prefix.size());
        VEK::CHARSET number = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
        if (!digits.empty() && error == std::errc() && end == digits.data() + digits.size() && number > 0)
            return number;
    }
    return VEK::CHARSET_UNKNOWN;
}

// ICU's alias tables know most other labels by the Windows name they stand for.
VEK::CHARSET IcuWindowsName(const std::string& text)
{
    UErrorCode error = U_ZERO_ERROR;
    const char* windowsName = ucnv_getStandardName(text.c_str(), "WINDOWS", &error);
    if (U_FAILURE(error) || !windowsName) {
        error = U_ZERO_ERROR;
        const char* canonical = ucnv_getCanonicalName(text.c_str(), "", &error);
        if (U_FAILURE(error) || !canonical) return VEK::CHARSET_UNKNOWN;
        windowsName = ucnv_getStandardName(canonical, "WINDOWS", &error);
        if (U_FAILURE(error) || !windowsName) return VEK::CHARSET_UNKNOWN;
    }
    return NumberedName(Normalized(windowsName));
}

} // namespace

VEK::CHARSET CharsetFromName(std::string_view name)
{
    const std::string text = Normalized(name);
    if (text.empty()) return VEK::CHARSET_UNKNOWN;
    for (const Label& label : LABELS)
        if (text == label.name) return label.charset;
    const VEK::CHARSET numbered = NumberedName(text);
    return numbered != VEK::CHARSET_UNKNOWN ? numbered : IcuWindowsName(text);
}

} // namespace VEKCharset
