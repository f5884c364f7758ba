#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include <VEKParser/Export.h>
#include <VEKParser/host/BinaryStream.h>
#include <VEKParser/host/MemoryBuffer.h>

namespace VEKFile {

// Forward scanner over one stream. Streams whose content lies contiguous in memory are read in
// place; others through a window refilled 4096 bytes at a time. Either way callers see the same
// current byte, positions, keyword buffer and capture buffer.
//
// While the capture switch is on, every movement goes through one place, so that it sees every
// byte passed.
class VEKPARSER_API BinaryStreamParser {
public:
    static constexpr std::uint32_t WINDOW_SIZE = 4096;
    static constexpr std::uint32_t KEYWORD_SIZE = 4096;
    // The longest delimiter text; a partial match at the window's end is carried over in a
    // look-ahead store of this size.
    static constexpr std::uint32_t LOOKAHEAD_SIZE = 128;

    // `binary` is accepted for callers of the established signature; both kinds of stream are
    // scanned the same way.
    BinaryStreamParser(VEK::BinaryStreamBufT<unsigned int>& stream, bool binary);
    ~BinaryStreamParser();
    BinaryStreamParser(const BinaryStreamParser&) = delete;
    BinaryStreamParser& operator=(const BinaryStreamParser&) = delete;

    // Restarts at the beginning of the stream (dropping its push-back store) with empty
    // keyword, look-ahead and capture buffers.
    void Reset();

    bool HasData() { return m_pCur < m_pEnd || Refill(); }
    // The byte at the scan position, 0 when no data remains.
    unsigned char GetCurrentChar() { return HasData() ? *m_pCur : 0; }
    // Stream offset of the current byte.
    std::uint32_t GetPosition() const noexcept
    {
        return m_uWindowOffset + static_cast<std::uint32_t>(m_pCur - m_pWindow);
    }

    // Moves over `count` bytes; false when the data ends first (the scan is then at the end).
    // With `keep` the bytes passed replace the keyword buffer. The last argument has no effect.
    bool Fetch(std::uint32_t count, bool keep, bool /*flag*/)
    {
        // Mostly one byte, the ">" of the tag just fetched, and it lies in the window.
        if (!keep && !m_bCapture && count <= static_cast<std::uint32_t>(m_pEnd - m_pCur)) {
            m_pCur += count;
            return true;
        }
        return FetchAcross(count, keep);
    }

    // Mode 0: moves to the next `delimiter` (not passing it); with `keep` the bytes passed
    // replace the keyword buffer (at most KEYWORD_SIZE of them, zero-terminated).
    // Returns false when the data ends first. The other arguments are as for the text form.
    bool FetchData(char delimiter, bool keep, int mode, MemoryBuffer* target, const char* reserved,
                   bool collectAtEnd, bool reservedFlag)
    {
        if (mode != 0) return FetchData(std::string(1, delimiter), keep, mode, target, reserved, collectAtEnd, reservedFlag);
        // Mostly "<" or ">" within the window, and nothing to collect but the keyword.
        if (target == nullptr && !m_bCapture) {
            const auto* hit = static_cast<const unsigned char*>(
                std::memchr(m_pCur, delimiter, static_cast<std::size_t>(m_pEnd - m_pCur)));
            if (hit != nullptr) {
                if (keep) SetKeyword(reinterpret_cast<const char*>(m_pCur), static_cast<std::uint32_t>(hit - m_pCur));
                m_pCur = hit;
                return true;
            }
        }
        return SkipToByte(static_cast<unsigned char>(delimiter), target, keep, collectAtEnd);
    }
    // Mode 0: moves to the next occurrence of `delimiter` (ASCII letters match either case),
    //   not passing it; returns whether it was found.
    // Mode 1: `delimiter` is one byte; moves over the run of it and stops at the first other
    //   byte; returns whether such a byte was reached.
    // Mode 2: moves until the text is met and past it; an empty text is met at once.
    // The bytes passed are appended to `target` when given; if the delimiter is never found they
    // are appended only with `collectAtEnd`. `keep` places them in the keyword buffer.
    // `reserved` and `reservedFlag` are accepted for callers of the established signature.
    bool FetchData(const std::string& delimiter, bool keep, int mode, MemoryBuffer* target,
                   const char* reserved, bool collectAtEnd, bool reservedFlag);
    // Mode 0 for one byte, handing back the bytes passed: read in place when the stream lies in
    // memory, else collected into `spill`, which is emptied first. `found` tells whether the
    // byte was met. The view holds until the stream or `spill` changes.
    std::string_view FetchText(char delimiter, MemoryBuffer& spill, bool& found)
    {
        // Tags often follow one another.
        found = m_pCur < m_pEnd && *m_pCur == static_cast<unsigned char>(delimiter);
        return found ? std::string_view() : FetchTextAcross(delimiter, spill, found);
    }

    // The text of the last kept fetch, zero-terminated. Callers may write into it (up to
    // KEYWORD_SIZE bytes) and then set its length with SetKeywordLength.
    char* GetKeywordBuffer() noexcept { return m_KeywordBuffer; }
    const char* GetKeywordBuffer() const noexcept { return m_KeywordBuffer; }
    std::uint32_t GetKeywordLength() const noexcept { return m_uKeywordLength; }
    void SetKeywordLength(std::uint32_t length) noexcept;
    // Replaces the keyword buffer by `length` bytes of `text` (cut at KEYWORD_SIZE).
    void SetKeyword(const char* text, std::uint32_t length) noexcept;
    void ClearKeywordBuffer() noexcept { SetKeywordLength(0); }

    // Bytes taken from the stream beyond the scan position that a delimiter search holds while
    // it refills the window. Empty between calls.
    std::uint32_t GetLookAheadLength() const noexcept { return m_uLookAheadLength; }

    // While capture is on every byte passed is appended to the capture buffer.
    void SetFetching(bool on) noexcept { m_bCapture = on; }
    bool IsFetching() const noexcept { return m_bCapture; }
    MemoryBuffer& GetFetchingBuffer() noexcept { return m_Capture; }
    void ClearFetchingBuffer() { m_Capture.Clear(); }

private:
    bool Refill();
    bool FetchAcross(std::uint32_t count, bool keep);
    std::string_view FetchTextAcross(char delimiter, MemoryBuffer& spill, bool& found);
    void Advance(std::uint32_t count, MemoryBuffer* target, bool keep);
    void Collect(std::uint32_t count, MemoryBuffer* target, bool keep);
    bool SkipTo(const char* text, std::uint32_t length, MemoryBuffer* target, bool keep, bool collectAtEnd,
                bool foldCase);
    bool SkipToByte(unsigned char byte, MemoryBuffer* target, bool keep, bool collectAtEnd);
    // Takes back what a failed search appended to `target` since `start`.
    static void Restore(MemoryBuffer* target, unsigned int start);
    bool SkipRun(unsigned char byte);
    const unsigned char* Find(const char* text, std::uint32_t length, bool foldCase) const noexcept;

    VEK::BinaryStreamBufT<unsigned int>& m_Stream;
    const unsigned char* m_pWindow = nullptr;  // stream bytes from offset m_uWindowOffset
    const unsigned char* m_pCur = nullptr;
    const unsigned char* m_pEnd = nullptr;
    std::uint32_t m_uWindowOffset = 0;
    bool m_bInPlace = false;
    bool m_bCapture = false;
    std::uint32_t m_uKeywordLength = 0;
    std::uint32_t m_uLookAheadLength = 0;
    MemoryBuffer m_Capture;
    unsigned char m_Window[WINDOW_SIZE + LOOKAHEAD_SIZE];
    char m_KeywordBuffer[KEYWORD_SIZE + 1];
};

} // namespace VEKFile
