#include <VEKParser/host/Conv.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <unicode/ucnv.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "host/ConvTables.h"

namespace VEKCharset {

namespace {

using VEK::CHARSET;

constexpr std::uint16_t REPLACEMENT = 0xFFFD;

// Widens the 16 bytes at `s` into 16-bit units at `target` when all are below 0x80, which every
// charset converted here maps to themselves; false, with nothing written, otherwise. Runs of
// ASCII are most of what documents hold, so they go 16 bytes at a time.
bool WidenAscii16(const unsigned char* s, unsigned char* target) noexcept
{
#if defined(__SSE2__)
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    if (_mm_movemask_epi8(bytes) != 0) return false;
    const __m128i zero = _mm_setzero_si128();
    _mm_storeu_si128(reinterpret_cast<__m128i*>(target), _mm_unpacklo_epi8(bytes, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(target + 16), _mm_unpackhi_epi8(bytes, zero));
#else
    for (int k = 0; k < 16; ++k)
        if (s[k] >= 0x80) return false;
    std::uint16_t units[16];
    for (int k = 0; k < 16; ++k) units[k] = s[k];
    std::memcpy(target, units, sizeof units);
#endif
    return true;
}

// Output area of one call, in 16-bit units.
struct UnitSink {
    unsigned char* target;
    std::uint32_t capacity;  // units
    std::uint32_t count = 0;

    bool Room(std::uint32_t units) const noexcept { return count + units <= capacity; }
    void Put(std::uint16_t unit) noexcept
    {
        std::memcpy(target + 2 * count, &unit, 2);
        ++count;
    }
    // Takes 16 bytes below 0x80 as they are; false (nothing written) when one is not.
    bool PutAscii16(const unsigned char* s) noexcept
    {
        if (!WidenAscii16(s, target + 2 * count)) return false;
        count += 16;
        return true;
    }
    void PutCodePoint(std::uint32_t c) noexcept
    {
        if (c < 0x10000) {
            Put(static_cast<std::uint16_t>(c));
        } else {
            c -= 0x10000;
            Put(static_cast<std::uint16_t>(0xD800 + (c >> 10)));
            Put(static_cast<std::uint16_t>(0xDC00 + (c & 0x3FF)));
        }
    }
};

// Length of the UTF-8 sequence at `s` (1 to 4), 0 when it is cut off by the end of the data,
// or -1 when it is invalid (the lead byte alone is then replaced).
int Utf8Sequence(const unsigned char* s, std::uint32_t available, std::uint32_t& codePoint) noexcept
{
    const unsigned char lead = s[0];
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    int length;
    std::uint32_t minimum;
    if (lead >= 0xC2 && lead <= 0xDF) { length = 2; minimum = 0x80; codePoint = lead & 0x1F; }
    else if (lead >= 0xE0 && lead <= 0xEF) { length = 3; minimum = 0x800; codePoint = lead & 0x0F; }
    else if (lead >= 0xF0 && lead <= 0xF4) { length = 4; minimum = 0x10000; codePoint = lead & 0x07; }
    else return -1;
    for (int i = 1; i < length; ++i) {
        if (static_cast<std::uint32_t>(i) >= available) return 0;
        if ((s[i] & 0xC0) != 0x80) return -1;
        codePoint = (codePoint << 6) | (s[i] & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) return -1;
    return length;
}

bool FromUtf8(const unsigned char* s, std::uint32_t n, std::uint32_t& consumed, unsigned char* t, std::uint32_t cap,
              std::uint32_t& produced, bool final, bool)
{
    UnitSink out{t, cap / 2};
    std::uint32_t i = 0;
    while (i < n && out.Room(2)) {
        if (s[i] < 0x80) {  // runs of ASCII are the common case
            while (i + 16 <= n && out.Room(16) && out.PutAscii16(s + i)) i += 16;
            while (i < n && s[i] < 0x80 && out.Room(1)) out.Put(s[i++]);
            continue;
        }
        std::uint32_t c = 0;
        const int length = Utf8Sequence(s + i, n - i, c);
        if (length == 0 && !final) break;
        if (length <= 0) {
            out.Put(REPLACEMENT);
            i += length == 0 ? n - i : 1;
            continue;
        }
        out.PutCodePoint(c);
        i += static_cast<std::uint32_t>(length);
    }
    consumed = i;
    produced = out.count * 2;
    return i > 0;
}

template <CHARSET Charset>
bool FromSingleByte(const unsigned char* s, std::uint32_t n, std::uint32_t& consumed, unsigned char* t,
                    std::uint32_t cap, std::uint32_t& produced, bool, bool)
{
    const std::uint32_t count = std::min(n, cap / 2);
    const std::uint16_t* table = SingleByteTable(Charset);
    // One unit per byte: the unit index is the byte index.
    const auto lookUp = [table, s, t](std::uint32_t from, std::uint32_t to) {
        for (std::uint32_t k = from; k < to; ++k) std::memcpy(t + 2 * k, &table[s[k]], 2);
    };
    std::uint32_t i = 0;
    for (; i + 16 <= count; i += 16)
        if (!WidenAscii16(s + i, t + 2 * i)) lookUp(i, i + 16);
    lookUp(i, count);
    consumed = count;
    produced = count * 2;
    return count > 0;
}

template <bool Swap>
bool From16Bit(const unsigned char* s, std::uint32_t n, std::uint32_t& consumed, unsigned char* t, std::uint32_t cap,
               std::uint32_t& produced, bool, bool)
{
    const std::uint32_t units = std::min(n / 2, cap / 2);
    for (std::uint32_t i = 0; i < units; ++i) {
        t[2 * i] = s[2 * i + (Swap ? 1 : 0)];
        t[2 * i + 1] = s[2 * i + (Swap ? 0 : 1)];
    }
    consumed = produced = units * 2;
    return units > 0;
}

bool FromUcs4(const unsigned char* s, std::uint32_t n, std::uint32_t& consumed, unsigned char* t, std::uint32_t cap,
              std::uint32_t& produced, bool, bool)
{
    UnitSink out{t, cap / 2};
    std::uint32_t i = 0;
    for (; i + 4 <= n && out.Room(2); i += 4) {
        const std::uint32_t c = (std::uint32_t{s[i]} << 24) | (s[i + 1] << 16) | (s[i + 2] << 8) | s[i + 3];
        out.PutCodePoint(c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF) ? REPLACEMENT : c);
    }
    consumed = i;
    produced = out.count * 2;
    return i > 0;
}

std::uint16_t Unit(const unsigned char* s) noexcept
{
    std::uint16_t u;
    std::memcpy(&u, s, 2);
    return u;
}

// Code point of the 16-bit text at `s`, how many units it takes (0: a high surrogate cut off
// by the end of the data); an unpaired surrogate counts as U+FFFD.
std::uint32_t Utf16CodePoint(const unsigned char* s, std::uint32_t units, std::uint32_t& taken) noexcept
{
    const std::uint16_t u = Unit(s);
    taken = 1;
    if (u < 0xD800 || u > 0xDFFF) return u;
    if (u >= 0xDC00) return REPLACEMENT;
    if (units < 2) {
        taken = 0;
        return 0;
    }
    const std::uint16_t low = Unit(s + 2);
    if (low < 0xDC00 || low > 0xDFFF) return REPLACEMENT;
    taken = 2;
    return 0x10000 + ((u - 0xD800u) << 10) + (low - 0xDC00u);
}

bool ToUtf8(const unsigned char* s, std::uint32_t n, std::uint32_t& consumed, unsigned char* t, std::uint32_t cap,
            std::uint32_t& produced, bool final, bool)
{
    std::uint32_t i = 0, o = 0;
    const std::uint32_t units = n / 2;
    while (i < units && o + 4 <= cap) {
        std::uint32_t taken = 0;
        std::uint32_t c = Utf16CodePoint(s + 2 * i, units - i, taken);
        if (taken == 0) {
            if (!final) break;
            c = REPLACEMENT;
            taken = 1;
        }
        i += taken;
        if (c < 0x80) {
            t[o++] = static_cast<unsigned char>(c);
        } else if (c < 0x800) {
            t[o++] = static_cast<unsigned char>(0xC0 | (c >> 6));
            t[o++] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            t[o++] = static_cast<unsigned char>(0xE0 | (c >> 12));
            t[o++] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
            t[o++] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        } else {
            t[o++] = static_cast<unsigned char>(0xF0 | (c >> 18));
            t[o++] = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
            t[o++] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
            t[o++] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        }
    }
    consumed = i * 2;
    produced = o;
    return i > 0;
}

template <CHARSET Charset>
bool ToSingleByte(const unsigned char* s, std::uint32_t n, std::uint32_t& consumed, unsigned char* t,
                  std::uint32_t cap, std::uint32_t& produced, bool final, bool)
{
    std::uint32_t i = 0, o = 0;
    const std::uint32_t units = n / 2;
    while (i < units && o < cap) {
        std::uint32_t taken = 0;
        const std::uint32_t c = Utf16CodePoint(s + 2 * i, units - i, taken);
        if (taken == 0 && !final) break;
        i += taken ? taken : 1;
        t[o++] = EncodeSingleByte(Charset, c);
    }
    consumed = i * 2;
    produced = o;
    return i > 0;
}

// ICU converters are costly to open: one per charset per thread, reset before each use; a
// conversion that reads a charset through ICU works on a copy of it (cloning is cheap).
class ConverterCache {
public:
    ~ConverterCache()
    {
        for (auto& entry : m_Entries) ucnv_close(entry.second);
    }
    // Null when ICU knows no converter for the code page.
    UConverter* Get(CHARSET charset)
    {
        for (auto& entry : m_Entries)
            if (entry.first == charset) return entry.second;
        UConverter* converter = Open(charset);
        m_Entries.emplace_back(charset, converter);
        return converter;
    }

private:
    static UConverter* Open(CHARSET charset)
    {
        for (const std::string& name : IcuNames(charset)) {
            UErrorCode error = U_ZERO_ERROR;
            UConverter* converter = ucnv_open(name.c_str(), &error);
            if (U_SUCCESS(error) && error != U_USING_DEFAULT_WARNING) return converter;
            if (converter) ucnv_close(converter);
        }
        return nullptr;
    }

    std::vector<std::pair<CHARSET, UConverter*>> m_Entries;
};

UConverter* Converter(CHARSET charset)
{
    thread_local ConverterCache cache;
    return cache.Get(charset);
}

// 16-bit units -> charset through ICU, whole characters only.
bool IcuEncode(UConverter* converter, const unsigned char* s, std::uint32_t n, std::uint32_t& consumed,
               unsigned char* t, std::uint32_t cap, std::uint32_t& produced, bool final)
{
    std::uint32_t units = std::min(n / 2, cap / 8);
    for (;;) {
        ucnv_resetFromUnicode(converter);
        UErrorCode error = U_ZERO_ERROR;
        std::vector<UChar> source(units);
        std::memcpy(source.data(), s, units * 2);
        char* out = reinterpret_cast<char*>(t);
        const UChar* in = source.data();
        ucnv_fromUnicode(converter, &out, out + cap, &in, in + units, nullptr, final && units == n / 2, &error);
        if (error == U_BUFFER_OVERFLOW_ERROR && units > 1) {
            units /= 2;
            continue;
        }
        UErrorCode pendingError = U_ZERO_ERROR;
        const int pending = std::max(0, ucnv_fromUCountPending(converter, &pendingError));
        consumed = (static_cast<std::uint32_t>(in - source.data()) - static_cast<std::uint32_t>(pending)) * 2;
        produced = static_cast<std::uint32_t>(out - reinterpret_cast<char*>(t));
        return consumed > 0;
    }
}

ConversionFunction FastDecoder(CHARSET from) noexcept
{
    switch (from) {
    case VEK::CHARSET_UTF8: return FromUtf8;
    case VEK::CHARSET_WINDOWS_1252: return FromSingleByte<VEK::CHARSET_WINDOWS_1252>;
    case VEK::CHARSET_US_ASCII: return FromSingleByte<VEK::CHARSET_US_ASCII>;
    case VEK::CHARSET_UTF16: return From16Bit<false>;
    case VEK::CHARSET_UTF16_SWAPPED: return From16Bit<true>;
    case VEK::CHARSET_UCS4: return FromUcs4;
    default: return nullptr;
    }
}

ConversionFunction FastEncoder(CHARSET to) noexcept
{
    switch (to) {
    case VEK::CHARSET_UTF8: return ToUtf8;
    case VEK::CHARSET_WINDOWS_1252: return ToSingleByte<VEK::CHARSET_WINDOWS_1252>;
    case VEK::CHARSET_US_ASCII: return ToSingleByte<VEK::CHARSET_US_ASCII>;
    case VEK::CHARSET_UTF16: return From16Bit<false>;
    case VEK::CHARSET_UTF16_SWAPPED: return From16Bit<true>;
    default: return nullptr;
    }
}

bool Encode(CHARSET to, const unsigned char* s, std::uint32_t n, std::uint32_t& consumed, unsigned char* t,
            std::uint32_t cap, std::uint32_t& produced, bool final)
{
    if (ConversionFunction fast = FastEncoder(to)) return fast(s, n, consumed, t, cap, produced, final, false);
    if (UConverter* converter = Converter(to)) return IcuEncode(converter, s, n, consumed, t, cap, produced, final);
    return false;
}

} // namespace

ConversionFunction Conv::FastConversionFunction(CHARSET from, CHARSET to) noexcept
{
    if (to == VEK::CHARSET_UTF16) return FastDecoder(from);
    if (from == VEK::CHARSET_UTF16) return FastEncoder(to);
    return nullptr;
}

// The ICU side of one conversion. The converter is this conversion's own copy, never reset
// between calls, so that a shift state read in one piece still holds in the next. `m_Held` counts
// the bytes of a cut character that the converter keeps but reported as unconsumed: the caller
// sends them again at the start of its next piece, where they are skipped.
class Conv::ConversionClass::DecodeState {
public:
    explicit DecodeState(UConverter* own) noexcept : m_pConverter(own) {}
    ~DecodeState() { ucnv_close(m_pConverter); }
    DecodeState(const DecodeState&) = delete;
    DecodeState& operator=(const DecodeState&) = delete;

    // charset -> 16-bit units, whole characters only.
    bool Decode(const unsigned char* s, std::uint32_t n, std::uint32_t& consumed, unsigned char* t,
                std::uint32_t cap, std::uint32_t& produced, bool final)
    {
        const std::uint32_t skip = std::min(m_Held, n);
        // Four units of room per input byte: no charset ICU reads expands a byte further, so the
        // output never overflows into the converter's own buffer.
        const std::uint32_t chunk = std::min(n - skip, std::max<std::uint32_t>(cap / 8, 1));
        const bool flush = final && skip + chunk == n;
        UErrorCode error = U_ZERO_ERROR;
        auto* out = reinterpret_cast<UChar*>(t);
        const char* in = reinterpret_cast<const char*>(s + skip);
        ucnv_toUnicode(m_pConverter, &out, reinterpret_cast<UChar*>(t) + cap / 2, &in, in + chunk, nullptr, flush,
                       &error);
        UErrorCode pendingError = U_ZERO_ERROR;
        m_Held = flush ? 0 : static_cast<std::uint32_t>(std::max(0, ucnv_toUCountPending(m_pConverter, &pendingError)));
        consumed = static_cast<std::uint32_t>(reinterpret_cast<const unsigned char*>(in) - s) - m_Held;
        produced = static_cast<std::uint32_t>(out - reinterpret_cast<UChar*>(t)) * 2;
        return consumed > 0;
    }

private:
    UConverter* m_pConverter;
    std::uint32_t m_Held = 0;
};

Conv::ConversionClass::ConversionClass(Stage decode, Stage encode) noexcept
    : m_From(decode.charset), m_To(encode.charset) {}

Conv::ConversionClass::ConversionClass(const ConversionClass& other) noexcept
    : m_From(other.m_From), m_To(other.m_To) {}

Conv::ConversionClass& Conv::ConversionClass::operator=(const ConversionClass& other) noexcept
{
    m_From = other.m_From;
    m_To = other.m_To;
    m_pDecode.reset();
    return *this;
}

Conv::ConversionClass::~ConversionClass() = default;

bool Conv::ConversionClass::Decode(const unsigned char* s, std::uint32_t n, std::uint32_t& consumed,
                                   unsigned char* t, std::uint32_t cap, std::uint32_t& produced, bool final) const
{
    if (ConversionFunction fast = FastDecoder(m_From)) return fast(s, n, consumed, t, cap, produced, final, false);
    if (!m_pDecode) {
        UConverter* shared = Converter(m_From);
        if (!shared) return false;
        UErrorCode error = U_ZERO_ERROR;
        UConverter* own = ucnv_clone(shared, &error);
        if (U_FAILURE(error) || !own) return false;
        m_pDecode = std::make_unique<DecodeState>(own);
    }
    return m_pDecode->Decode(s, n, consumed, t, cap, produced, final);
}

bool Conv::ConversionClass::operator()(const unsigned char* source, std::uint32_t sourceLength,
                                       std::uint32_t& consumed, unsigned char* target, std::uint32_t targetCapacity,
                                       std::uint32_t& produced, bool final, bool) const
{
    consumed = produced = 0;
    if (m_To == VEK::CHARSET_UTF16)
        return Decode(source, sourceLength, consumed, target, targetCapacity, produced, final);
    // A quarter of the output area in units keeps the encoded form within it for every charset.
    std::vector<unsigned char> units(std::max<std::uint32_t>(targetCapacity / 4, 4) & ~1u);
    std::uint32_t unitBytes = 0;
    if (!Decode(source, sourceLength, consumed, units.data(), static_cast<std::uint32_t>(units.size()), unitBytes,
                final))
        return false;
    std::uint32_t encoded = 0;
    Encode(m_To, units.data(), unitBytes, encoded, target, targetCapacity, produced, true);
    return true;
}

} // namespace VEKCharset
