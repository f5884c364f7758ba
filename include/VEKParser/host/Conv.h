#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include <VEKParser/Export.h>
#include <VEKParser/host/HostTypes.h>

namespace VEKCharset {

// One conversion call: converts whole characters from `source` into `target` (capacity in
// bytes), reporting the bytes consumed and produced. A character cut off at the end of the
// source is left unconsumed, so that the caller can carry it into the next call, unless
// `final` is set: then it becomes U+FFFD. Bytes that are invalid in the charset become U+FFFD
// and are consumed. `reserved` has no effect. Returns false when nothing could be converted.
using ConversionFunction = bool (*)(const unsigned char* source, std::uint32_t sourceLength,
                                    std::uint32_t& consumed, unsigned char* target,
                                    std::uint32_t targetCapacity, std::uint32_t& produced,
                                    bool final, bool reserved);

class VEKPARSER_API Conv {
public:
    // A direct conversion for the pairs the library uses most (UTF-8, 1252, US-ASCII, the
    // 16-bit forms and UCS-4 into 1201, and 1201 into those), else null.
    static ConversionFunction FastConversionFunction(VEK::CHARSET from, VEK::CHARSET to) noexcept;

    // One stage of a two-step conversion through 16-bit text.
    struct Stage {
        VEK::CHARSET charset;
        bool decode;  // true: charset to 1201; false: 1201 to charset
    };
    static Stage MbToWcConversionFunction(VEK::CHARSET from) noexcept { return {from, true}; }
    static Stage WcToMbConversionFunction(VEK::CHARSET to) noexcept { return {to, false}; }

    // Converts through 16-bit text with any charset ICU knows by its code page number. A
    // charset nobody knows consumes nothing, so that callers stop instead of guessing. Same
    // call contract as a ConversionFunction.
    //
    // One object is one conversion: the calls on it continue one text, so that charsets with
    // shift states (ISO-2022, HZ) keep their state from piece to piece. Use one object per text
    // and per thread; a copy starts a conversion of its own.
    class VEKPARSER_API ConversionClass {
    public:
        ConversionClass(Stage decode, Stage encode) noexcept;
        ConversionClass(const ConversionClass& other) noexcept;
        ConversionClass& operator=(const ConversionClass& other) noexcept;
        ~ConversionClass();

        bool operator()(const unsigned char* source, std::uint32_t sourceLength, std::uint32_t& consumed,
                        unsigned char* target, std::uint32_t targetCapacity, std::uint32_t& produced,
                        bool final, bool reserved) const;

    private:
        class DecodeState;

        bool Decode(const unsigned char* source, std::uint32_t sourceLength, std::uint32_t& consumed,
                    unsigned char* target, std::uint32_t targetCapacity, std::uint32_t& produced, bool final) const;

        VEK::CHARSET m_From;
        VEK::CHARSET m_To;
        mutable std::unique_ptr<DecodeState> m_pDecode;  // opened at the first call that needs ICU
    };
};

// The code page number of a charset name as documents and users write it ("utf-8",
// "ISO-8859-1", "windows-1251", "Shift_JIS", "cp866", "1252", ...); letter case, blanks and
// quotes around it do not matter. Labels that browsers read as a wider charset map to it
// ("iso-8859-1" and "us-ascii" to 1252). CHARSET_UNKNOWN when nobody knows the name.
VEKPARSER_API VEK::CHARSET CharsetFromName(std::string_view name);

} // namespace VEKCharset
