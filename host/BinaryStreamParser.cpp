#include <VEKParser/host/BinaryStreamParser.h>

#include <algorithm>
#include <cstring>

namespace VEKFile {

namespace {

unsigned char FoldCase(unsigned char byte) noexcept
{
    return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte + 32) : byte;
}

bool IsLetter(unsigned char byte) noexcept { return FoldCase(byte) >= 'a' && FoldCase(byte) <= 'z'; }

bool EqualFolded(const unsigned char* bytes, const char* text, std::uint32_t length) noexcept
{
    for (std::uint32_t i = 0; i < length; ++i)
        if (FoldCase(bytes[i]) != FoldCase(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

} // namespace

BinaryStreamParser::BinaryStreamParser(VEK::BinaryStreamBufT<unsigned int>& stream, bool)
    : m_Stream(stream), m_Capture(4096)
{
    Reset();
}

BinaryStreamParser::~BinaryStreamParser() = default;

void BinaryStreamParser::Reset()
{
    m_Stream.SeekG(0);
    const unsigned char* data = m_Stream.ContiguousData();
    m_bInPlace = data != nullptr;
    m_pWindow = m_bInPlace ? data : m_Window;
    m_pCur = m_pWindow;
    m_pEnd = m_bInPlace ? data + m_Stream.Size() : m_Window;
    m_uWindowOffset = 0;
    m_uLookAheadLength = 0;
    m_bCapture = false;
    ClearKeywordBuffer();
    ClearFetchingBuffer();
}

// Keeps the bytes not yet passed at the start of the window and reads more behind them.
bool BinaryStreamParser::Refill()
{
    if (m_bInPlace) return false;
    const auto carried = static_cast<std::uint32_t>(m_pEnd - m_pCur);
    const std::uint32_t position = GetPosition();
    std::memmove(m_Window, m_pCur, carried);
    const std::uint32_t room = std::min<std::uint32_t>(WINDOW_SIZE, sizeof m_Window - carried);
    const unsigned int read = m_Stream.Get(m_Window + carried, room);
    m_pWindow = m_pCur = m_Window;
    m_pEnd = m_Window + carried + read;
    m_uWindowOffset = position;
    return read > 0;
}

void BinaryStreamParser::SetKeywordLength(std::uint32_t length) noexcept
{
    m_uKeywordLength = std::min(length, KEYWORD_SIZE);
    m_KeywordBuffer[m_uKeywordLength] = 0;
}

void BinaryStreamParser::SetKeyword(const char* text, std::uint32_t length) noexcept
{
    const std::uint32_t n = std::min(length, KEYWORD_SIZE);
    std::memmove(m_KeywordBuffer, text, n);
    SetKeywordLength(n);
}

// Most moves collect nothing: the byte tests stay out of line with the copies.
inline void BinaryStreamParser::Advance(std::uint32_t count, MemoryBuffer* target, bool keep)
{
    if (m_bCapture || target != nullptr || keep) Collect(count, target, keep);
    m_pCur += count;
}

void BinaryStreamParser::Collect(std::uint32_t count, MemoryBuffer* target, bool keep)
{
    if (count == 0) return;
    if (m_bCapture) m_Capture.Put(m_pCur, count);
    if (target) target->Put(m_pCur, count);
    if (keep) {
        const std::uint32_t n = std::min(count, KEYWORD_SIZE - m_uKeywordLength);
        std::memcpy(m_KeywordBuffer + m_uKeywordLength, m_pCur, n);
        m_uKeywordLength += n;
        m_KeywordBuffer[m_uKeywordLength] = 0;
    }
}

bool BinaryStreamParser::FetchAcross(std::uint32_t count, bool keep)
{
    if (keep) ClearKeywordBuffer();
    while (count > 0) {
        if (!HasData()) return false;
        const std::uint32_t n = std::min(count, static_cast<std::uint32_t>(m_pEnd - m_pCur));
        Advance(n, nullptr, keep);
        count -= n;
    }
    return true;
}

// The first full occurrence of the text inside the window, or null.
const unsigned char* BinaryStreamParser::Find(const char* text, std::uint32_t length, bool foldCase) const noexcept
{
    if (static_cast<std::size_t>(m_pEnd - m_pCur) < length) return nullptr;
    const auto first = static_cast<unsigned char>(text[0]);
    const bool scanFolded = foldCase && IsLetter(first);
    const unsigned char* last = m_pEnd - length;
    for (const unsigned char* p = m_pCur; p <= last; ++p) {
        if (scanFolded) {
            while (p <= last && FoldCase(*p) != FoldCase(first)) ++p;
            if (p > last) return nullptr;
        } else {
            p = static_cast<const unsigned char*>(std::memchr(p, first, static_cast<std::size_t>(last - p) + 1));
            if (!p) return nullptr;
        }
        if (length == 1) return p;
        if (foldCase ? EqualFolded(p + 1, text + 1, length - 1) : std::memcmp(p + 1, text + 1, length - 1) == 0)
            return p;
    }
    return nullptr;
}

void BinaryStreamParser::Restore(MemoryBuffer* target, unsigned int start)
{
    if (target == nullptr) return;
    target->SeekP(start, VEK::SeekOrigin::Begin);
    target->ClearEnd();
}

bool BinaryStreamParser::SkipTo(const char* text, std::uint32_t length, MemoryBuffer* target, bool keep,
                                bool collectAtEnd, bool foldCase)
{
    // Most searches are for one byte that is no letter: "<" and ">".
    if (length == 1 && !(foldCase && IsLetter(static_cast<unsigned char>(text[0]))))
        return SkipToByte(static_cast<unsigned char>(text[0]), target, keep, collectAtEnd);
    if (keep) ClearKeywordBuffer();
    // Only a search that fails takes back what it collected.
    const unsigned int targetStart = target && !collectAtEnd ? target->TellP() : 0;
    length = std::min(length, LOOKAHEAD_SIZE);
    while (length > 0 && HasData()) {
        if (const unsigned char* hit = Find(text, length, foldCase)) {
            Advance(static_cast<std::uint32_t>(hit - m_pCur), target, keep);
            return true;
        }
        // Bytes that could still begin a match stay in the window as look-ahead.
        const auto available = static_cast<std::uint32_t>(m_pEnd - m_pCur);
        Advance(available - std::min(available, length - 1), target, keep);
        m_uLookAheadLength = static_cast<std::uint32_t>(m_pEnd - m_pCur);
        const bool more = Refill();
        m_uLookAheadLength = 0;
        if (!more) break;
    }
    if (length == 0) return true;
    Advance(static_cast<std::uint32_t>(m_pEnd - m_pCur), target, keep);
    if (!collectAtEnd) Restore(target, targetStart);
    return false;
}

bool BinaryStreamParser::SkipToByte(unsigned char byte, MemoryBuffer* target, bool keep, bool collectAtEnd)
{
    if (keep) ClearKeywordBuffer();
    const unsigned int targetStart = target && !collectAtEnd ? target->TellP() : 0;
    do {
        const auto available = static_cast<std::size_t>(m_pEnd - m_pCur);
        const auto* hit = static_cast<const unsigned char*>(std::memchr(m_pCur, byte, available));
        Advance(static_cast<std::uint32_t>(hit ? hit - m_pCur : m_pEnd - m_pCur), target, keep);
        if (hit) return true;
    } while (Refill());
    if (!collectAtEnd) Restore(target, targetStart);
    return false;
}

std::string_view BinaryStreamParser::FetchTextAcross(char delimiter, MemoryBuffer& spill, bool& found)
{
    if (!m_bInPlace || m_bCapture) {
        spill.Clear();
        found = SkipToByte(static_cast<unsigned char>(delimiter), &spill, false, true);
        return {reinterpret_cast<const char*>(spill.Data()), spill.Size()};
    }
    const unsigned char* start = m_pCur;
    const auto* hit = static_cast<const unsigned char*>(std::memchr(m_pCur, delimiter, static_cast<std::size_t>(m_pEnd - m_pCur)));
    found = hit != nullptr;
    m_pCur = found ? hit : m_pEnd;
    return {reinterpret_cast<const char*>(start), static_cast<std::size_t>(m_pCur - start)};
}

bool BinaryStreamParser::SkipRun(unsigned char byte)
{
    while (HasData()) {
        const unsigned char* p = m_pCur;
        while (p < m_pEnd && *p == byte) ++p;
        Advance(static_cast<std::uint32_t>(p - m_pCur), nullptr, false);
        if (p < m_pEnd) return true;
    }
    return false;
}

bool BinaryStreamParser::FetchData(const std::string& delimiter, bool keep, int mode, MemoryBuffer* target,
                                   const char*, bool collectAtEnd, bool)
{
    const auto length = static_cast<std::uint32_t>(delimiter.size());
    if (mode == 1) return length == 1 ? SkipRun(static_cast<unsigned char>(delimiter[0])) : HasData();
    const bool found = SkipTo(delimiter.data(), length, target, keep, collectAtEnd, true);
    if (found && mode == 2) Advance(std::min<std::uint32_t>(length, LOOKAHEAD_SIZE), target, keep);
    return found;
}

} // namespace VEKFile
