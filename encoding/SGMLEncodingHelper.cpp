#include <VEKParser/encoding/SGMLEncodingHelper.h>

#include <cstring>

#include "encoding/CharsetConverter.h"

namespace VEKParser {

const VEK::WString& SGMLEncodingHelper::ExpandToUnicode(const std::string& text, VEK::WString& out) const
{
    out.clear();
    out.reserve(text.size());
    if (text.empty()) return out;
    CharsetConverter(m_Charset, VEK::CHARSET_UTF16)
        .Append(reinterpret_cast<const unsigned char*>(text.data()), static_cast<std::uint32_t>(text.size()), out);
    return out;
}

const VEK::WString& SGMLEncodingHelper::ExpandToUnicode(VEK::BinaryStreamBufT<unsigned int>& stream,
                                                        VEK::WString& out) const
{
    stream.ClearPushBack();
    stream.SeekG(0);
    out.clear();
    const CharsetConverter converter(m_Charset, VEK::CHARSET_UTF16);
    constexpr std::uint32_t AREA = 4096;
    unsigned char input[AREA];
    std::uint32_t carried = 0;
    for (;;) {
        const std::uint32_t read = stream.Get(input + carried, AREA - carried);
        if (read == 0) break;
        const std::uint32_t held = carried + read;
        const std::uint32_t consumed = converter.Append(input, held, out);
        carried = held - consumed;
        std::memmove(input, input + consumed, carried);
    }
    return out;
}

} // namespace VEKParser
