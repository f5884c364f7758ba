#pragma once

#include <cstdint>

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

    // Converts through 16-bit text with any charset ICU knows by its code page number; a
    // charset nobody knows is read as 1252, so text is never lost. Same call contract as a
    // ConversionFunction.
    class VEKPARSER_API ConversionClass {
    public:
        ConversionClass(Stage decode, Stage encode) noexcept;
        bool operator()(const unsigned char* source, std::uint32_t sourceLength, std::uint32_t& consumed,
                        unsigned char* target, std::uint32_t targetCapacity, std::uint32_t& produced,
                        bool final, bool reserved) const;

    private:
        VEK::CHARSET m_From;
        VEK::CHARSET m_To;
    };
};

} // namespace VEKCharset
