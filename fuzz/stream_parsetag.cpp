// Takes arbitrary tag texts apart and reads the normalised attributes back.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

#include <VEKParser/html/stream/Stream.h>

namespace {

template <class CharT>
void Check(VEK::CHARSET charset, const std::basic_string<CharT>& raw)
{
    VEKParser::HtmlStreamParserBaseT<CharT> base(charset);
    VEK::WString name;
    std::basic_string<CharT> attributes, value;
    bool isEnd = false, isEmpty = false;
    base.ParseTag(raw, name, attributes, isEnd, isEmpty);
    if (isEnd && isEmpty) std::abort();
    std::map<std::basic_string<CharT>, std::basic_string<CharT>> parsed;
    base.ParseAttributes(attributes, parsed);
    // Each look-up walks the whole string: checking every key of a huge tag would make the
    // target itself quadratic, so the first keys stand for the rest.
    std::size_t checked = 0;
    for (const auto& [key, expected] : parsed) {
        if (!base.FindSingleAttributeKey(key, attributes, value) || value != expected) std::abort();
        if (++checked == 16) break;
    }
    // Arbitrary attribute strings must stay within bounds too.
    base.ParseAttributes(raw, parsed);
    base.FindSingleAttributeKey(raw.substr(0, 3), raw, value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Check<char>(65001, bytes);
    Check<char>(1252, bytes);
    std::basic_string<unsigned short> units(size / 2, 0);
    for (std::size_t i = 0; i < units.size(); ++i) units[i] = static_cast<unsigned short>(data[2 * i] | (data[2 * i + 1] << 8));
    Check<unsigned short>(1201, units);
    Check<unsigned short>(1210, units);
    return 0;
}
