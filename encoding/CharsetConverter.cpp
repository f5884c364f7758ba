#include "encoding/CharsetConverter.h"

namespace VEKParser {

CharsetConverter::CharsetConverter(VEK::CHARSET from, VEK::CHARSET to) noexcept
    : m_pFast(VEKCharset::Conv::FastConversionFunction(from, to)),
      m_Slow(VEKCharset::Conv::MbToWcConversionFunction(from), VEKCharset::Conv::WcToMbConversionFunction(to))
{
}

bool CharsetConverter::Call(const unsigned char* source, std::uint32_t length, std::uint32_t& consumed,
                            unsigned char* target, std::uint32_t& produced) const
{
    consumed = produced = 0;
    if (m_pFast) return m_pFast(source, length, consumed, target, OUTPUT_AREA, produced, false, false);
    return m_Slow(source, length, consumed, target, OUTPUT_AREA, produced, false, false);
}

template <class Unit>
std::uint32_t CharsetConverter::Append(const unsigned char* source, std::uint32_t length,
                                       std::basic_string<Unit>& out) const
{
    // Units, written through as bytes by the converter, so that they append without another copy.
    Unit area[OUTPUT_AREA / sizeof(Unit)];
    std::uint32_t position = 0;
    while (position < length) {
        std::uint32_t consumed = 0, produced = 0;
        Call(source + position, length - position, consumed, reinterpret_cast<unsigned char*>(area), produced);
        out.append(area, produced / sizeof(Unit));
        // A converter that reports more than it was given must not move us past the end.
        if (consumed == 0 || consumed > length - position) break;
        position += consumed;
    }
    return position;
}

template std::uint32_t CharsetConverter::Append(const unsigned char*, std::uint32_t, std::string&) const;
template std::uint32_t CharsetConverter::Append(const unsigned char*, std::uint32_t, VEK::WString&) const;

template <class Unit>
std::basic_string<Unit> FromUnicode(const VEK::WString& text, VEK::CHARSET charset)
{
    std::basic_string<Unit> out;
    CharsetConverter(VEK::CHARSET_UTF16, charset)
        .Append(reinterpret_cast<const unsigned char*>(text.data()), static_cast<std::uint32_t>(text.size() * 2), out);
    return out;
}

template std::string FromUnicode(const VEK::WString&, VEK::CHARSET);
template VEK::WString FromUnicode(const VEK::WString&, VEK::CHARSET);

} // namespace VEKParser
