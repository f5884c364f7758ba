#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <VEKParser/Export.h>
#include <VEKParser/host/BinaryStream.h>

namespace VEKParser {

// The tokenizer's own view of its stream: up to 4096 code units peeked from the stream's get
// position. Units passed are read off the stream only when the window is refilled, released
// or destroyed, so the stream's get position always stands at the start of the window.
//
// A byte stream whose content lies contiguous in memory and holds no NUL is read in place: the
// window is then the rest of the stream, and nothing is copied until an element's text is.
template <class CharT>
class VEKPARSER_API LookAheadWindowT {
public:
    static constexpr std::uint32_t UNITS = 4096;

    LookAheadWindowT() noexcept = default;
    LookAheadWindowT(const LookAheadWindowT&) = delete;
    LookAheadWindowT& operator=(const LookAheadWindowT&) = delete;
    ~LookAheadWindowT() { Release(); }

    void Attach(VEK::BinaryStreamBufT<unsigned int>& stream);
    // Commits the units passed and detaches the stream.
    void Release();

    bool AtEnd() const noexcept { return m_uPosition >= m_uFill; }
    CharT Current() const noexcept { return AtEnd() ? CharT(0) : m_pData[m_uPosition]; }
    std::uint32_t Offset() const noexcept { return m_uOffset; }

    // The units from the current one to the end of the window (the fast scans read them in place).
    const CharT* Begin() const noexcept { return m_pData + m_uPosition; }
    std::uint32_t Available() const noexcept { return m_uFill - m_uPosition; }
    // The `count` units from `offset` on when the window holds them all, else null: an element
    // scanned within the window is copied from there without seeking back over it.
    const CharT* Span(std::uint32_t offset, std::uint32_t count) const noexcept
    {
        const std::uint32_t windowStart = m_uOffset - m_uPosition;
        if (offset < windowStart || offset - windowStart > m_uFill || m_uFill - (offset - windowStart) < count)
            return nullptr;
        return m_pData + (offset - windowStart);
    }

    CharT Next()
    {
        if (AtEnd()) return CharT(0);
        const CharT unit = m_pData[m_uPosition++];
        ++m_uOffset;
        if (m_uPosition == m_uFill) Refill();
        return unit;
    }
    // The first `unit` in [begin, end), or end: memchr for bytes, which the scans lean on.
    static const CharT* Find(const CharT* begin, const CharT* end, CharT unit) noexcept
    {
        if constexpr (sizeof(CharT) == 1) {
            const void* hit = std::memchr(begin, static_cast<unsigned char>(unit), static_cast<std::size_t>(end - begin));
            return hit ? static_cast<const CharT*>(hit) : end;
        } else {
            return std::find(begin, end, unit);
        }
    }
    // The first of the units `a`, `b`, `c` in [begin, end), or end; sixteen bytes a step.
    static const CharT* FindFirstOf(const CharT* begin, const CharT* end, CharT a, CharT b, CharT c) noexcept
    {
#ifdef __SSE2__
        if constexpr (sizeof(CharT) == 1) {
            // Broadcast from a whole register: a byte stored and read back as four stalls.
            const auto spread = [](CharT unit) {
                return _mm_set1_epi32(static_cast<int>(0x01010101u * static_cast<unsigned char>(unit)));
            };
            const __m128i va = spread(a), vb = spread(b), vc = spread(c);
            for (; end - begin >= 16; begin += 16) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(begin));
                const int hits = _mm_movemask_epi8(
                    _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb)), _mm_cmpeq_epi8(v, vc)));
                if (hits != 0) return begin + __builtin_ctz(static_cast<unsigned>(hits));
            }
        }
#endif
        while (begin != end && *begin != a && *begin != b && *begin != c) ++begin;
        return begin;
    }
    // Copies up to `count` units from the current one on without moving; returns how many.
    std::uint32_t Peek(CharT* out, std::uint32_t count)
    {
        if (count > Available()) return PeekAcross(out, count);
        std::copy(Begin(), Begin() + count, out);
        return count;
    }
    void Skip(std::uint32_t count)
    {
        if (count >= Available()) return SkipAcross(count);
        m_uPosition += count;
        m_uOffset += count;
    }
    void Seek(std::uint32_t offset)
    {
        const std::uint32_t windowStart = m_uOffset - m_uPosition;
        if (offset < windowStart || offset - windowStart >= m_uFill) return SeekAcross(offset);
        m_uPosition = offset - windowStart;
        m_uOffset = offset;
    }
    // Appends the next `count` units (fewer at the end) and moves past them.
    template <class String>
    void CopyTo(String& text, std::uint32_t count);

private:
    // The slow paths, which leave the window.
    std::uint32_t PeekAcross(CharT* out, std::uint32_t count);
    void SkipAcross(std::uint32_t count);
    void SeekAcross(std::uint32_t offset);
    void Commit();
    void Refill();
    void Fill();
    bool FillInPlace();

    VEK::BinaryStreamBufT<unsigned int>* m_pStream = nullptr;
    CharT m_Data[UNITS];
    const CharT* m_pData = m_Data;  // m_Data, or the stream's own bytes when read in place
    std::uint32_t m_uPosition = 0;
    std::uint32_t m_uFill = 0;
    std::uint32_t m_uOddBytes = 0;
    std::uint32_t m_uOffset = 0;
    std::uint32_t m_uStreamBase = 0;  // stream position of offset 0
    bool m_bReplaceNul = true;
    bool m_bInPlace = false;
};

template <class CharT>
template <class String>
void LookAheadWindowT<CharT>::CopyTo(String& text, std::uint32_t count)
{
    text.reserve(text.size() + count);
    while (count > 0 && !AtEnd()) {
        const std::uint32_t take = count < Available() ? count : Available();
        text.append(Begin(), take);
        count -= take;
        Skip(take);
    }
}

extern template class LookAheadWindowT<char>;
extern template class LookAheadWindowT<unsigned short>;

} // namespace VEKParser
