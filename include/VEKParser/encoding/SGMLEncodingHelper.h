#pragma once

#include <string>

#include <VEKParser/Export.h>
#include <VEKParser/host/BinaryStream.h>
#include <VEKParser/host/HostTypes.h>

namespace VEKParser {

// Expands text held in one charset, a narrow string or a whole stream, to 16-bit text. Holds
// nothing but the charset, so one object may serve several threads at once.
class VEKPARSER_API SGMLEncodingHelper {
public:
    explicit SGMLEncodingHelper(VEK::CHARSET charset) noexcept : m_Charset(charset) {}

    VEK::CHARSET GetCharset() const noexcept { return m_Charset; }

    // Replaces `out` with the conversion of `text`; bytes the converter will not take (a
    // character cut off at the end) are left out.
    const VEK::WString& ExpandToUnicode(const std::string& text, VEK::WString& out) const;
    // Replaces `out` with the conversion of the whole stream, read from its first byte in pieces
    // of 4096 bytes; the get position ends at the end of the stream.
    const VEK::WString& ExpandToUnicode(VEK::BinaryStreamBufT<unsigned int>& stream, VEK::WString& out) const;

private:
    VEK::CHARSET m_Charset;
};

} // namespace VEKParser
