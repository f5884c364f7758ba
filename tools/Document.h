#pragma once

#include <memory>
#include <string>
#include <string_view>

#include <VEKParser/host/BinaryStream.h>

#include "Inputs.h"

namespace vekparse {

// The bytes of one input: a file mapped into memory, read whole (standard input, and files
// that report no size), or the body of a WARC record.
class Document {
public:
    // Throws VEK::Exception (a file that cannot be opened or mapped) or std::runtime_error.
    explicit Document(const Input& input);
    // A document taken out of a web archive: named by its URL, with the charset its HTTP
    // Content-Type gave (or empty).
    Document(std::string url, std::string bytes, std::string httpCharset);
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    const std::string& Path() const noexcept { return m_sPath; }
    // The URL a web archive gave the document, empty for a file.
    const std::string& Url() const noexcept { return m_sUrl; }
    const std::string& HttpCharset() const noexcept { return m_sHttpCharset; }
    std::string_view Bytes() const noexcept;
    // The whole document as a stream, its get position at the start.
    VEK::BinaryStreamBuf& Stream() noexcept { return *m_pStream; }

private:
    std::string m_sPath;
    std::string m_sUrl;
    std::string m_sHttpCharset;
    std::string m_sRead;  // the bytes when they are not mapped, or a record's body
    std::unique_ptr<VEK::BinaryStreamBuf> m_pStream;
};

// Reads a descriptor to its end; the library's 32-bit offsets allow less than 4 GiB. Throws
// std::runtime_error, whose text is the reason alone.
std::string ReadToEnd(int fd);

// ReadToEnd of standard input, its errors saying "standard input".
std::string ReadStandardInput();

} // namespace vekparse
