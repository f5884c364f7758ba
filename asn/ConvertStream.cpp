#include <VEKParser/asn/ConvertStream.h>

#include <cstring>

#include <VEKParser/host/Conv.h>

namespace VEKParser {

namespace {

constexpr std::uint32_t AREA_SIZE = 4096;

// The direct conversion when the pair has one, else the two-step one through 16-bit text.
class Converter {
public:
    Converter(VEK::CHARSET from, VEK::CHARSET to)
        : m_pFast(VEKCharset::Conv::FastConversionFunction(from, to)),
          m_TwoStep(VEKCharset::Conv::MbToWcConversionFunction(from), VEKCharset::Conv::WcToMbConversionFunction(to))
    {
    }

    bool operator()(const unsigned char* source, std::uint32_t length, std::uint32_t& consumed, unsigned char* target,
                    std::uint32_t& produced, bool final) const
    {
        return m_pFast ? m_pFast(source, length, consumed, target, AREA_SIZE, produced, final, false)
                       : m_TwoStep(source, length, consumed, target, AREA_SIZE, produced, final, false);
    }

private:
    VEKCharset::ConversionFunction m_pFast;
    VEKCharset::Conv::ConversionClass m_TwoStep;
};

} // namespace

std::uint32_t ConvertStream(VEK::CHARSET from, VEK::CHARSET to, VEK::BinaryStreamBufT<unsigned int>& source,
                            VEK::BinaryStreamBufT<unsigned int>& destination, bool final, bool)
{
    const Converter convert(from, to);
    unsigned char input[AREA_SIZE];
    unsigned char output[AREA_SIZE];
    std::uint32_t carried = 0;
    std::uint32_t total = 0;
    while (const std::uint32_t got = source.Get(input + carried, AREA_SIZE - carried)) {
        const std::uint32_t available = carried + got;
        std::uint32_t offset = 0;
        while (offset < available) {
            std::uint32_t consumed = 0;
            std::uint32_t produced = 0;
            convert(input + offset, available - offset, consumed, output, produced, final);
            destination.Put(output, produced);
            if (consumed == 0) break;
            offset += consumed;
        }
        total += offset;
        // An incomplete character waits at the front for the bytes that complete it.
        carried = available - offset;
        std::memmove(input, input + offset, carried);
    }
    return total;
}

} // namespace VEKParser
