#include <VEKParser/host/MemoryBuffer.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

namespace VEKFile {

namespace {

constexpr std::uint64_t MAX_SIZE = std::numeric_limits<unsigned int>::max();

unsigned int ClampPosition(std::int64_t position, unsigned int size) noexcept
{
    return static_cast<unsigned int>(std::clamp<std::int64_t>(position, 0, size));
}

} // namespace

MemoryBuffer::MemoryBuffer(unsigned int capacity) { Reserve(capacity); }

MemoryBuffer::MemoryBuffer(const void* data, unsigned int size)
{
    Reserve(size);
    if (size) std::memcpy(m_pData, data, size);
    m_uSize = m_uPut = size;
}

MemoryBuffer::~MemoryBuffer()
{
    if (m_pData != m_Inline) std::free(m_pData);
}

void MemoryBuffer::TakeOver(MemoryBuffer& other) noexcept
{
    if (this == &other) return;
    if (m_pData != m_Inline) std::free(m_pData);
    if (other.m_pData == other.m_Inline) {
        m_pData = m_Inline;
        m_uCapacity = INLINE_BYTES;
        std::memcpy(m_Inline, other.m_Inline, other.m_uSize);
    } else {
        m_pData = std::exchange(other.m_pData, other.m_Inline);
        m_uCapacity = std::exchange(other.m_uCapacity, INLINE_BYTES);
    }
    m_uSize = m_uPut = std::exchange(other.m_uSize, 0);
    m_uGet = other.m_uGet = other.m_uPut = 0;
    ClearPushBack();
    other.ClearPushBack();
}

void MemoryBuffer::Reserve(std::uint64_t capacity)
{
    if (capacity <= m_uCapacity) return;
    // Growth by half again at least, so appending byte by byte stays linear.
    const std::uint64_t grown = std::min(MAX_SIZE, std::max(capacity, std::uint64_t{m_uCapacity} + m_uCapacity / 2));
    void* block = m_pData == m_Inline ? std::malloc(grown) : std::realloc(m_pData, grown);
    if (!block) throw std::bad_alloc();
    if (m_pData == m_Inline && m_uSize) std::memcpy(block, m_Inline, m_uSize);
    m_pData = static_cast<unsigned char*>(block);
    m_uCapacity = static_cast<unsigned int>(grown);
}

void MemoryBuffer::SeekP(std::int64_t offset, VEK::SeekOrigin origin)
{
    const std::int64_t base = origin == VEK::SeekOrigin::Begin ? 0
                            : origin == VEK::SeekOrigin::Current ? m_uPut : static_cast<std::int64_t>(Size());
    m_uPut = ClampPosition(base + offset, Size());
}

unsigned char* MemoryBuffer::Extend(unsigned int count)
{
    if (count > MAX_SIZE - m_uPut) throw std::bad_alloc();
    Reserve(std::uint64_t{m_uPut} + count);
    unsigned char* start = m_pData + m_uPut;
    m_uPut += count;
    m_uSize = std::max(m_uSize, m_uPut);
    return start;
}

void MemoryBuffer::ClearEnd()
{
    m_uSize = m_uPut;
    m_uGet = std::min(m_uGet, m_uPut);
}

void MemoryBuffer::Clear()
{
    m_uSize = m_uGet = m_uPut = 0;
    ClearPushBack();
}

unsigned int MemoryBuffer::DoGet(void* buffer, unsigned int count)
{
    const unsigned int n = std::min(count, Size() - std::min(m_uGet, Size()));
    if (n) std::memcpy(buffer, m_pData + m_uGet, n);
    m_uGet += n;
    return n;
}

unsigned int MemoryBuffer::DoPut(const void* buffer, unsigned int count)
{
    const auto n = static_cast<unsigned int>(std::min<std::uint64_t>(count, MAX_SIZE - m_uPut));
    if (n == 0) return 0;
    Reserve(std::uint64_t{m_uPut} + n);
    std::memcpy(m_pData + m_uPut, buffer, n);
    m_uPut += n;
    m_uSize = std::max(m_uSize, m_uPut);
    return n;
}

void MemoryBuffer::DoSeekG(unsigned int position) { m_uGet = std::min(position, Size()); }

} // namespace VEKFile
