#include <VEKParser/html/stream/LookAheadWindow.h>

#include <algorithm>
#include <cstring>

namespace VEKParser {

template <class CharT>
void LookAheadWindowT<CharT>::Attach(VEK::BinaryStreamBufT<unsigned int>& stream)
{
    Release();
    m_pStream = &stream;
    m_uStreamBase = stream.TellG();
    Fill();
}

template <class CharT>
void LookAheadWindowT<CharT>::Release()
{
    Commit();
    m_pStream = nullptr;
    m_uPosition = m_uFill = m_uOddBytes = m_uOffset = 0;
}

template <class CharT>
void LookAheadWindowT<CharT>::Commit()
{
    if (!m_pStream) return;
    if (m_bInPlace) {
        m_pStream->SeekG(m_pStream->TellG() + m_uPosition);
        m_uPosition = m_uFill = 0;
        return;
    }
    std::uint32_t bytes = m_uPosition * sizeof(CharT);
    if (m_uPosition == m_uFill) bytes += m_uOddBytes;
    // The window itself is the scratch area: its units are refilled or dropped right after.
    auto* scratch = reinterpret_cast<unsigned char*>(m_Data);
    while (bytes > 0) {
        const unsigned int got = m_pStream->Get(scratch, std::min<std::uint32_t>(bytes, sizeof m_Data));
        if (got == 0) break;
        bytes -= got;
    }
    m_uPosition = m_uFill = m_uOddBytes = 0;
}

template <class CharT>
void LookAheadWindowT<CharT>::Fill()
{
    m_uPosition = m_uFill = m_uOddBytes = 0;
    m_pData = m_Data;
    if (!m_pStream || FillInPlace()) return;
    auto* bytes = reinterpret_cast<unsigned char*>(m_Data);
    unsigned int got = m_pStream->Peek(bytes, sizeof m_Data);
    // A device that delivers less than asked for per read would leave the window nearly empty:
    // gather a full window and put the get position back.
    if (got > 0 && got < sizeof m_Data && m_pStream->PushBackSize() == 0) {
        const unsigned int start = m_pStream->TellG();
        got = 0;
        while (got < sizeof m_Data) {
            const unsigned int more = m_pStream->Get(bytes + got, sizeof m_Data - got);
            if (more == 0) break;
            got += more;
        }
        m_pStream->SeekG(start);
    }
    m_uFill = got / sizeof(CharT);
    m_uOddBytes = got % sizeof(CharT);
    if (!m_bReplaceNul) return;
    // NULs are rare: jump from one to the next rather than testing every unit.
    CharT* const end = m_Data + m_uFill;
    for (CharT* nul = const_cast<CharT*>(Find(m_Data, end, CharT(0))); nul != end;
         nul = const_cast<CharT*>(Find(nul + 1, end, CharT(0))))
        *nul = CharT(0x20);
}

// Only bytes can be read in place: 16-bit units may lie unaligned, and NULs must be replaced.
template <class CharT>
bool LookAheadWindowT<CharT>::FillInPlace()
{
    m_bInPlace = false;
    const unsigned char* data = m_pStream->ContiguousData();
    if constexpr (sizeof(CharT) != 1) return false;
    if (data == nullptr || m_pStream->PushBackSize() != 0) return false;
    const std::uint32_t at = m_pStream->TellG();
    const std::uint32_t size = m_pStream->Size();
    if (at >= size) return false;
    const auto* rest = reinterpret_cast<const CharT*>(data + at);
    if (m_bReplaceNul && std::memchr(rest, 0, size - at) != nullptr) return false;
    m_pData = rest;
    m_uFill = size - at;
    return m_bInPlace = true;
}

template <class CharT>
void LookAheadWindowT<CharT>::Refill()
{
    // Read in place, the window already reaches the end of the stream; once passed, the stream
    // is read off at once, as a copied window would be.
    if (m_bInPlace && !AtEnd()) return;
    Commit();
    Fill();
}

template <class CharT>
std::uint32_t LookAheadWindowT<CharT>::PeekAcross(CharT* out, std::uint32_t count)
{
    if (Available() < count && m_uPosition != 0) Refill();
    const std::uint32_t n = std::min(count, Available());
    std::copy(Begin(), Begin() + n, out);
    return n;
}

template <class CharT>
void LookAheadWindowT<CharT>::SkipAcross(std::uint32_t count)
{
    while (count > 0 && !AtEnd()) {
        const std::uint32_t take = std::min(count, Available());
        m_uPosition += take;
        m_uOffset += take;
        count -= take;
        if (m_uPosition == m_uFill) Refill();
    }
}

template <class CharT>
void LookAheadWindowT<CharT>::SeekAcross(std::uint32_t offset)
{
    m_uOffset = offset;
    if (!m_pStream) return;
    m_pStream->SeekG(m_uStreamBase + offset * static_cast<std::uint32_t>(sizeof(CharT)));
    Fill();
}

template class LookAheadWindowT<char>;
template class LookAheadWindowT<unsigned short>;

} // namespace VEKParser
