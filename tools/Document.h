#pragma once

#include <memory>
#include <string>
#include <string_view>

#include <VEKParser/host/BinaryStream.h>

#include "Inputs.h"

namespace vekparse {

// The bytes of one input: a file mapped into memory, or read whole (standard input, and files
// that report no size).
class Document {
public:
    // Throws VEK::Exception (a file that cannot be opened or mapped) or std::runtime_error.
    explicit Document(const Input& input);
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    const std::string& Path() const noexcept { return m_sPath; }
    std::string_view Bytes() const noexcept;
    // The whole document as a stream, its get position at the start.
    VEK::BinaryStreamBuf& Stream() noexcept { return *m_pStream; }

private:
    std::string m_sPath;
    std::string m_sRead;  // the bytes when they are not mapped
    std::unique_ptr<VEK::BinaryStreamBuf> m_pStream;
};

// Reads a descriptor to its end; the library's 32-bit offsets allow less than 4 GiB. Throws
// std::runtime_error, whose text is the reason alone.
std::string ReadToEnd(int fd);

// ReadToEnd of standard input, its errors saying "standard input".
std::string ReadStandardInput();

} // namespace vekparse
