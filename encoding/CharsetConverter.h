#pragma once

#include <cstdint>
#include <string>

#include <VEKParser/host/Conv.h>
#include <VEKParser/host/HostTypes.h>

namespace VEKParser {

// Drives one host conversion from a charset to another: the fast function when the host has one
// for the pair, else its two-stage conversion through 16-bit text. Every call writes into an
// output area of 4096 bytes.
class CharsetConverter {
public:
    static constexpr std::uint32_t OUTPUT_AREA = 4096;

    CharsetConverter(VEK::CHARSET from, VEK::CHARSET to) noexcept;

    // Converts `length` bytes piecewise and appends the whole units produced to `out`; stops
    // when a call consumes nothing. Returns the bytes consumed, so that a caller reading a
    // stream can carry a cut character into its next piece.
    template <class Unit>
    std::uint32_t Append(const unsigned char* source, std::uint32_t length, std::basic_string<Unit>& out) const;

private:
    bool Call(const unsigned char* source, std::uint32_t length, std::uint32_t& consumed, unsigned char* target,
              std::uint32_t& produced) const;

    VEKCharset::ConversionFunction m_pFast;
    VEKCharset::Conv::ConversionClass m_Slow;
};

extern template std::uint32_t CharsetConverter::Append(const unsigned char*, std::uint32_t, std::string&) const;
extern template std::uint32_t CharsetConverter::Append(const unsigned char*, std::uint32_t, VEK::WString&) const;

// Converts 16-bit text (charset 1201) into `charset`, as units of the caller's width.
template <class Unit>
std::basic_string<Unit> FromUnicode(const VEK::WString& text, VEK::CHARSET charset);

extern template std::string FromUnicode(const VEK::WString&, VEK::CHARSET);
extern template VEK::WString FromUnicode(const VEK::WString&, VEK::CHARSET);

} // namespace VEKParser
