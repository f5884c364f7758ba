#include <VEKParser/host/MemoryBuffer.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace VEKFile {

namespace {

constexpr std::uint64_t MAX_SIZE = std::numeric_limits<unsigned int>::max();

unsigned int ClampPosition(std::int64_t position, unsigned int size) noexcept
{
    return static_cast<unsigned int>(std::clamp<std::int64_t>(position, 0, size));
}

} // namespace

MemoryBuffer::MemoryBuffer(unsigned int capacity) { m_Data.reserve(capacity); }

MemoryBuffer::MemoryBuffer(const void* data, unsigned int size)
    : m_Data(static_cast<const unsigned char*>(data), static_cast<const unsigned char*>(data) + size), m_uPut(size) {}

MemoryBuffer::~MemoryBuffer() = default;

void MemoryBuffer::SeekP(std::int64_t offset, VEK::SeekOrigin origin)
{
    const std::int64_t base = origin == VEK::SeekOrigin::Begin ? 0
                            : origin == VEK::SeekOrigin::Current ? m_uPut : static_cast<std::int64_t>(Size());
    m_uPut = ClampPosition(base + offset, Size());
}

void MemoryBuffer::ClearEnd()
{
    m_Data.resize(m_uPut);
    m_uGet = std::min(m_uGet, m_uPut);
}

void MemoryBuffer::Clear()
{
    m_Data.clear();
    m_uGet = m_uPut = 0;
    ClearPushBack();
}

unsigned int MemoryBuffer::DoGet(void* buffer, unsigned int count)
{
    const unsigned int n = std::min(count, Size() - std::min(m_uGet, Size()));
    if (n) std::memcpy(buffer, m_Data.data() + m_uGet, n);
    m_uGet += n;
    return n;
}

unsigned int MemoryBuffer::DoPut(const void* buffer, unsigned int count)
{
    const auto n = static_cast<unsigned int>(std::min<std::uint64_t>(count, MAX_SIZE - m_uPut));
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    // Writes mostly go at the end: appending there spares zero-filling the room first.
    const unsigned int overwritten = std::min(n, Size() - m_uPut);
    if (overwritten) std::memcpy(m_Data.data() + m_uPut, bytes, overwritten);
    m_Data.insert(m_Data.end(), bytes + overwritten, bytes + n);
    m_uPut += n;
    return n;
}

void MemoryBuffer::DoSeekG(unsigned int position) { m_uGet = std::min(position, Size()); }

} // namespace VEKFile
