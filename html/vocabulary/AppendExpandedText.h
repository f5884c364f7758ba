#pragma once

// Inside the library only: text queries that gather many texts into one string.
#include <algorithm>
#include <cstddef>

#include <VEKParser/host/HostTypes.h>

namespace VEKParser {

// What ExpandCharacterReferences of the bytes into a fresh string and appending that string to
// `out` gives, without the fresh string: references resolve within the appended text only.
void AppendExpandedText(VEK::CHARSET charset, const char* bytes, unsigned int length, VEK::WString& out,
                        bool latin1Only);

// Gathers texts decoded as AppendExpandedText decodes them at the end of a 16-bit string that is
// kept longer than what it holds: most texts are ASCII without references and are widened
// straight into that room, made once for many of them, rather than each growing the string (and
// having its new units zeroed) on its own. The string is cut to what it holds when the
// appender goes.
class ExpandedTextAppender {
public:
    explicit ExpandedTextAppender(VEK::WString& out) noexcept : m_Out(out), m_uUsed(out.size()) {}
    ~ExpandedTextAppender() { m_Out.resize(m_uUsed); }
    ExpandedTextAppender(const ExpandedTextAppender&) = delete;
    ExpandedTextAppender& operator=(const ExpandedTextAppender&) = delete;

    void Append(VEK::CHARSET charset, const char* bytes, unsigned int length);
    void Append(unsigned short unit)
    {
        *Room(1) = unit;
        ++m_uUsed;
    }
    const unsigned short* data() const noexcept { return m_Out.data(); }
    std::size_t size() const noexcept { return m_uUsed; }
    void clear() noexcept { m_uUsed = 0; }

private:
    unsigned short* Room(std::size_t units)
    {
        if (m_Out.size() - m_uUsed < units) Grow(units);
        return m_Out.data() + m_uUsed;
    }
    void Grow(std::size_t units);

    VEK::WString& m_Out;
    std::size_t m_uUsed;
    VEK::WString m_Spill;  // a text that needs the full decoding, before it is copied
};

} // namespace VEKParser
