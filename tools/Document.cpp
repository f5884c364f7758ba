#include "Document.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <stdexcept>

#include <unistd.h>

#include <VEKParser/host/MappedFile.h>

namespace vekparse {

Document::Document(const Input& input) : m_sPath(input.path)
{
    if (input.kind == Input::Kind::Broken) throw std::runtime_error(input.error);
    if (input.kind == Input::Kind::Stdin) {
        m_sBytes = ReadStandardInput();
        m_pStream = std::make_unique<VEKFile::MemoryViewStream>(m_sBytes.data(), static_cast<unsigned>(m_sBytes.size()));
    } else {
        // Opening a FIFO would wait for a writer; other special files cannot be mapped anyway.
        std::error_code error;
        const auto type = std::filesystem::status(input.path, error).type();
        if (!error && type != std::filesystem::file_type::regular) throw std::runtime_error("not a regular file");
        m_pStream = std::make_unique<VEKFile::MappedFileStream>(input.path);
    }
}

Document::Document(std::string url, std::string bytes, std::string httpCharset)
    : m_sPath(url), m_sUrl(std::move(url)), m_sHttpCharset(std::move(httpCharset)), m_sBytes(std::move(bytes))
{
    m_pStream = std::make_unique<VEKFile::MemoryViewStream>(m_sBytes.data(), static_cast<unsigned>(m_sBytes.size()));
}

Document::~Document() = default;

std::string_view Document::Bytes() const noexcept
{
    const auto* data = reinterpret_cast<const char*>(m_pStream->ContiguousData());
    return data ? std::string_view(data, m_pStream->Size()) : std::string_view();
}

std::string ReadStandardInput()
{
    constexpr std::size_t LIMIT = std::numeric_limits<unsigned>::max() - 1;
    std::string bytes;
    std::size_t used = 0;
    for (;;) {
        if (bytes.size() - used < 65536) bytes.resize(std::min(LIMIT + 1, std::max<std::size_t>(bytes.size() * 2, 1 << 20)));
        if (used > LIMIT) throw std::runtime_error("standard input is too large (4 GiB or more)");
        const ssize_t n = ::read(STDIN_FILENO, bytes.data() + used, std::min<std::size_t>(bytes.size() - used, 1 << 24));
        if (n == 0) break;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw std::runtime_error(std::string("cannot read standard input: ") + std::strerror(errno));
        used += static_cast<std::size_t>(n);
    }
    bytes.resize(used);
    return bytes;
}

} // namespace vekparse
