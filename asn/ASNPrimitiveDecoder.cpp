#include "asn/ASNPrimitiveDecoder.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include <VEKParser/asn/ConvertStream.h>
#include <VEKParser/foundation/Exceptions.h>

#include "asn/ASNTagTable.h"

namespace VEKParser {

namespace {

// Contents longer than this many octets do not fit a 64-bit integer node.
constexpr std::uint32_t INT64_OCTETS = 8;

void DecodeBitString(ASNOctets in, VEK::BitVector& bits)
{
    if (in.m_uSize == 0) return;
    const unsigned int unused = in.m_pData[0];
    const std::size_t bytes = in.m_uSize - 1;
    // At most seven bits of the last octet can be unused, and none when there is no octet.
    if (unused > 7 || (bytes == 0 && unused != 0)) throw ASNException();
    if (bytes == 0) return;
    bits.resize(bytes * 8);
    std::memcpy(bits.data(), in.m_pData + 1, bytes);
    bits.resize(bytes * 8 - unused);
}

// Arcs wider than 32 bits keep their low 32 bits, as the arithmetic on int would wrap.
void DecodeObjectIdentifier(ASNOctets in, std::vector<int>& arcs)
{
    if (in.m_uSize == 0) return arcs.assign({0, 0});
    const unsigned char* const end = in.m_pData + in.m_uSize;
    // The first octet holds two arcs and every later octet below 0x80 ends one, as does the
    // last octet: the array is made once at that number, without clearing it first.
    const auto ends = std::count_if(in.m_pData + 1, end, [](unsigned char octet) { return octet <= 0x7F; });
    arcs.reserve(static_cast<std::size_t>(ends) + 2 + (end[-1] > 0x7F && in.m_uSize > 1 ? 1 : 0));
    const unsigned int first = in.m_pData[0];
    arcs.push_back(first < 80 ? static_cast<int>(first / 40) : 2);
    arcs.push_back(static_cast<int>(first < 80 ? first % 40 : first - 80));
    std::uint32_t arc = 0;
    for (const unsigned char* at = in.m_pData + 1; at < end; ++at) {
        arc = arc * 128 + (*at & 0x7F);
        if (*at <= 0x7F || at + 1 == end) {
            arcs.push_back(static_cast<int>(arc));
            arc = 0;
        }
    }
}

// ISO 6093 numbers as the C locale reads them, whatever the process's locale.
double DecodeDecimalReal(ASNOctets in)
{
    std::string text(reinterpret_cast<const char*>(in.m_pData), in.m_uSize);
    std::replace(text.begin(), text.end(), ',', '.');
    const char* begin = text.c_str();
    while (*begin == ' ') ++begin;
    if (*begin == '+') ++begin;
    double value = 0.0;
    std::from_chars(begin, text.c_str() + text.size(), value);
    return value;
}

// X.690 binary form: sign, base, scale factor and exponent length in the first octet. The
// mantissa keeps its last 32 bits; exponents beyond any double's range give 0 or infinity.
double DecodeBinaryReal(ASNOctets in)
{
    const unsigned int first = in.m_pData[0];
    const double sign = first & 0x40 ? -1.0 : 1.0;
    const unsigned int baseBits = (first >> 4) & 3;
    const int bitsPerDigit = baseBits == 0 ? 1 : baseBits == 1 ? 3 : 4;
    const int scale = (first >> 2) & 3;
    std::uint32_t position = 1;
    std::uint32_t exponentLength = (first & 3) + 1;
    if (exponentLength == 4 && position < in.m_uSize) exponentLength = in.m_pData[position++];
    exponentLength = std::min(exponentLength, in.m_uSize - position);
    const auto exponent =
        static_cast<std::int32_t>(ASNPrimitiveDecoder::TwosComplement(in.m_pData + position, exponentLength));
    position += exponentLength;
    std::uint32_t mantissa = 0;
    for (; position < in.m_uSize; ++position) mantissa = (mantissa << 8) | in.m_pData[position];
    const std::int64_t power = std::clamp<std::int64_t>(std::int64_t{exponent} * bitsPerDigit + scale, -100000, 100000);
    return sign * std::ldexp(static_cast<double>(mantissa), static_cast<int>(power));
}

double DecodeReal(ASNOctets in)
{
    if (in.m_uSize == 0) return 0.0;
    const unsigned int first = in.m_pData[0];
    if (first >= 0x80) return DecodeBinaryReal(in);
    if ((first & 0xC0) == 0) return DecodeDecimalReal({in.m_pData + 1, in.m_uSize - 1});
    return first == 0x40 ? std::numeric_limits<double>::infinity() : -std::numeric_limits<double>::infinity();
}

// Two decimal digits as a number, or -1.
int TwoDigits(const char* text) noexcept
{
    const unsigned tens = static_cast<unsigned char>(text[0]) - unsigned{'0'};
    const unsigned units = static_cast<unsigned char>(text[1]) - unsigned{'0'};
    return tens < 10 && units < 10 ? static_cast<int>(tens * 10 + units) : -1;
}

// The length of what is left after cutting fractions, offsets and the zone letter chooses the
// layout: yymmddHHMM, yymmddHHMMSS or yyyymmddHHMMSS; other lengths, and any other byte than a
// digit, leave the zero date-time.
VEK::DateTime DecodeTime(std::string_view written)
{
    const auto cut = std::find_if(written.begin(), written.end(), [](char c) { return c == '.' || c == '-' || c == 'Z'; });
    const std::string_view text(written.begin(), cut);
    if (text.size() != 10 && text.size() != 12 && text.size() != 14) return {};
    int pairs[7] = {0, 0, 0, 0, 0, 0, 0};
    for (std::size_t i = 0; i < text.size() / 2; ++i)
        if ((pairs[i] = TwoDigits(text.data() + 2 * i)) < 0) return {};
    const bool fourDigitYear = text.size() == 14;
    const int* rest = pairs + (fourDigitYear ? 2 : 1);
    VEK::DateTime::Civil civil;
    civil.m_nYear = fourDigitYear ? pairs[0] * 100 + pairs[1] : VEK::DateTime::FullYear(pairs[0]);
    civil.m_nMonth = rest[0];
    civil.m_nDay = rest[1];
    civil.m_nHour = rest[2];
    civil.m_nMinute = rest[3];
    civil.m_nSecond = rest[4];  // 0 when the text has no seconds
    return VEK::DateTime::FromCivil(civil);
}

// Puts the octets into `content`, rewound, for the readers that take a stream.
VEKFile::MemoryBuffer& AsStream(ASNOctets in, VEKFile::MemoryBuffer& content)
{
    content.Clear();
    content.Put(in.m_pData, in.m_uSize);
    return content;
}

// Both read the bytes below 0x80 as ASCII.
bool ReadsAsciiAsItself(VEK::CHARSET charset) noexcept
{
    return charset == VEK::CHARSET_UTF8 || charset == VEK::CHARSET_WINDOWS_1252;
}

void DecodeText(VEK::CHARSET charset, ASNOctets in, VEKFile::MemoryBuffer& content, VEKFile::MemoryBuffer& text,
                VEK::WString& result)
{
    const unsigned char* end = in.m_pData + in.m_uSize;
    if (ReadsAsciiAsItself(charset) && std::all_of(in.m_pData, end, [](unsigned char c) { return c < 0x80; })) {
        // Sized first: assigning a range of bytes to 16-bit units would build a second string.
        result.resize(in.m_uSize);
        std::copy(in.m_pData, end, result.begin());
        return;
    }
    text.Clear();
    AsStream(in, content);
    ConvertStream(charset, VEK::CHARSET_UTF16, content, text, false, true);
    text.Copy(result);
}

// A node with an empty value that `fill` then decodes into. The empty value is made in the
// node: one made apart and moved in costs a copy of a short string's inline buffer.
template <class T, class Fill>
BaseASNNode* MakeFilled(int explicitTag, int valueType, Fill fill)
{
    auto* node = MakeASNNode<PrimitiveASNNode<T>>(std::in_place, explicitTag, valueType, [] { return T(); });
    try {
        fill(ASNPrimitiveDecoder::ValueOf(*node));
    } catch (...) {
        delete node;
        throw;
    }
    return node;
}

BaseASNNode* DecodeInteger(int explicitTag, ASNOctets in)
{
    if (in.m_uSize == 0) return MakeASNNode<PrimitiveASNNode<std::int64_t>>(explicitTag, std::int64_t{0}, Null);
    if (in.m_uSize > INT64_OCTETS)
        return MakeASNNode<PrimitiveASNNode<ASNVLongInt>>(std::in_place, explicitTag, BigInteger,
                                                          [in] { return ASNPrimitiveDecoder::BigInteger(in); });
    return MakeASNNode<PrimitiveASNNode<std::int64_t>>(explicitTag, ASNPrimitiveDecoder::TwosComplement(in.m_pData, in.m_uSize),
                                                       Integer);
}

BaseASNNode* DecodeByTag(const ASNTagRow& row, int explicitTag, ASNOctets in, VEKFile::MemoryBuffer& content,
                         VEKFile::MemoryBuffer& text)
{
    switch (row.m_Content) {
    case ASNContent::Boolean:
        return MakeASNNode<PrimitiveASNNode<bool>>(explicitTag, in.m_uSize > 0 && in.m_pData[0] != 0, Boolean);
    case ASNContent::BitString:
        return MakeFilled<VEK::BitVector>(explicitTag, BitString, [&](VEK::BitVector& bits) { DecodeBitString(in, bits); });
    case ASNContent::OctetString:
        return MakeASNNode<PrimitiveASNNode<std::string>>(std::in_place, explicitTag, OctetString, [in] {
            return std::string(reinterpret_cast<const char*>(in.m_pData), in.m_uSize);
        });
    case ASNContent::Null:
        // NULL with contents is read as the integer they spell.
        return MakeASNNode<PrimitiveASNNode<std::int64_t>>(
            explicitTag, ASNPrimitiveDecoder::TwosComplement(in.m_pData, in.m_uSize), in.m_uSize == 0 ? Null : Integer);
    case ASNContent::ObjectIdentifier:
        return MakeFilled<std::vector<int>>(explicitTag, ObjectIdentifier,
                                            [&](std::vector<int>& arcs) { DecodeObjectIdentifier(in, arcs); });
    case ASNContent::Real:
        return MakeASNNode<PrimitiveASNNode<double>>(explicitTag, DecodeReal(in), Real);
    case ASNContent::Text:
        return MakeFilled<VEK::WString>(explicitTag, WideString, [&](VEK::WString& result) {
            DecodeText(row.m_Charset, in, content, text, result);
        });
    case ASNContent::Time: {
        const std::string_view written(reinterpret_cast<const char*>(in.m_pData), in.m_uSize);
        return MakeASNNode<ASNTimeNode>(explicitTag, DecodeTime(written), written);
    }
    case ASNContent::EndOfContents:
    case ASNContent::Integer:
        break;
    }
    return DecodeInteger(explicitTag, in);
}

} // namespace

std::int64_t ASNPrimitiveDecoder::TwosComplement(const unsigned char* octets, std::uint32_t count) noexcept
{
    if (count == 0) return 0;
    const unsigned int flip = octets[0] & 0x80 ? 0xFF : 0x00;
    std::uint64_t value = 0;
    for (std::uint32_t i = 0; i < count; ++i) value = (value << 8) | (octets[i] ^ flip);
    // For a negative number the magnitude was gathered complemented: the value is -1 - it.
    return static_cast<std::int64_t>(flip ? ~value : value);
}

BaseASNNode* ASNPrimitiveDecoder::Decode(int tagNumber, int explicitTag, ASNOctets octets, VEKFile::MemoryBuffer& content,
                                         VEKFile::MemoryBuffer& text)
{
    return DecodeByTag(FindTagRow(tagNumber), explicitTag, octets, content, text);
}

} // namespace VEKParser
