#include "Document.h"

#include <cerrno>
#include <cstring>
#include <limits>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <VEKParser/host/MappedFile.h>

namespace vekparse {

namespace {

// Closes a descriptor when the scope ends, thrown through or not.
struct Descriptor {
    int fd;
    ~Descriptor()
    {
        if (fd >= 0) ::close(fd);
    }
};

} // namespace

Document::Document(const Input& input) : m_sPath(input.path)
{
    if (input.kind == Input::Kind::Broken) throw std::runtime_error(input.error);
    if (input.kind == Input::Kind::Stdin) {
        m_sRead = ReadStandardInput();
    } else {
        // Without O_NONBLOCK, opening a FIFO would wait for a writer.
        const Descriptor file{::open(input.path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
        struct stat info {};
        if (file.fd < 0 || ::fstat(file.fd, &info) != 0) throw std::runtime_error(std::strerror(errno));
        if (S_ISDIR(info.st_mode)) throw std::runtime_error(std::strerror(EISDIR));
        if (!S_ISREG(info.st_mode)) throw std::runtime_error("not a regular file");
        // Files of /proc and some FUSE file systems say they are empty and still have content;
        // those of /sys say 4096 bytes and cannot be mapped. They are read to their end.
        if (info.st_size > 0) {
            try {
                m_pStream = std::make_unique<VEKFile::MappedFileStream>(input.path);
                return;
            } catch (const VEKFile::FileOpenException&) {
            }
        }
        m_sRead = ReadToEnd(file.fd);
    }
    m_pStream = std::make_unique<VEKFile::MemoryViewStream>(m_sRead.data(), static_cast<unsigned>(m_sRead.size()));
}

Document::Document(std::string url, std::string bytes, std::string httpCharset)
    : m_sPath(url), m_sUrl(std::move(url)), m_sHttpCharset(std::move(httpCharset)), m_sRead(std::move(bytes))
{
    m_pStream = std::make_unique<VEKFile::MemoryViewStream>(m_sRead.data(), static_cast<unsigned>(m_sRead.size()));
}

Document::~Document() = default;

std::string_view Document::Bytes() const noexcept
{
    const auto* data = reinterpret_cast<const char*>(m_pStream->ContiguousData());
    return data ? std::string_view(data, m_pStream->Size()) : std::string_view();
}

std::string ReadToEnd(int fd)
{
    constexpr std::size_t LIMIT = std::numeric_limits<unsigned>::max() - 1;
    std::string bytes;
    std::size_t used = 0;
    for (;;) {
        if (bytes.size() - used < 65536) bytes.resize(std::min(LIMIT + 1, std::max<std::size_t>(bytes.size() * 2, 1 << 20)));
        if (used > LIMIT) throw std::runtime_error("too large (4 GiB or more)");
        const ssize_t n = ::read(fd, bytes.data() + used, std::min<std::size_t>(bytes.size() - used, 1 << 24));
        if (n == 0) break;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw std::runtime_error(std::strerror(errno));
        used += static_cast<std::size_t>(n);
    }
    bytes.resize(used);
    return bytes;
}

std::string ReadStandardInput()
{
    try {
        return ReadToEnd(STDIN_FILENO);
    } catch (const std::runtime_error& e) {
        throw std::runtime_error(std::string("cannot read standard input: ") + e.what());
    }
}

} // namespace vekparse
