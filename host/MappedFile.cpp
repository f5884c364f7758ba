#include <VEKParser/host/MappedFile.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace VEKFile {

MemoryViewStream::MemoryViewStream(const void* data, unsigned int size) noexcept { Attach(data, size); }
MemoryViewStream::~MemoryViewStream() = default;

void MemoryViewStream::Attach(const void* data, unsigned int size) noexcept
{
    m_pData = static_cast<const unsigned char*>(data);
    m_uSize = size;
    m_uGet = 0;
}

void MemoryViewStream::Clear()
{
    m_uGet = 0;
    ClearPushBack();
}

unsigned int MemoryViewStream::DoGet(void* buffer, unsigned int count)
{
    const unsigned int n = std::min(count, m_uSize - m_uGet);
    if (n) std::memcpy(buffer, m_pData + m_uGet, n);
    m_uGet += n;
    return n;
}

void MemoryViewStream::DoSeekG(unsigned int position) { m_uGet = std::min(position, m_uSize); }

FileOpenException::~FileOpenException() = default;

namespace {

[[noreturn]] void Fail(const std::string& path, const char* reason)
{
    throw FileOpenException(VEK::Widen((path + ": " + reason).c_str()));
}

} // namespace

MappedFileStream::MappedFileStream(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) Fail(path, std::strerror(errno));
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? EISDIR : errno;
        ::close(fd);
        Fail(path, error ? std::strerror(error) : "not a regular file");
    }
    if (static_cast<std::uint64_t>(info.st_size) >= std::numeric_limits<unsigned int>::max()) {
        ::close(fd);
        Fail(path, "file too large (4 GiB or more)");
    }
    m_uMappedSize = static_cast<std::size_t>(info.st_size);
    if (m_uMappedSize > 0) {
        m_pMapping = ::mmap(nullptr, m_uMappedSize, PROT_READ, MAP_PRIVATE, fd, 0);
        const int error = errno;
        ::close(fd);
        if (m_pMapping == MAP_FAILED) {
            m_pMapping = nullptr;
            Fail(path, std::strerror(error));
        }
        ::madvise(m_pMapping, m_uMappedSize, MADV_SEQUENTIAL);
    } else {
        ::close(fd);
    }
    Attach(m_pMapping, static_cast<unsigned int>(m_uMappedSize));
}

MappedFileStream::~MappedFileStream()
{
    if (m_pMapping) ::munmap(m_pMapping, m_uMappedSize);
}

} // namespace VEKFile
