#include <VEKParser/host/BitVector.h>

namespace VEK {

void BitVector::resize(std::size_t count, bool value)
{
    const std::size_t old = m_uCount;
    m_Bytes.resize((count + 7) / 8, value ? 0xFF : 0x00);
    m_uCount = count;
    for (std::size_t i = old; i < count && (i & 7) != 0; ++i) set(i, value);  // the tail of the old last byte
    ClearUnusedBits();
}

void BitVector::set(std::size_t i, bool value) noexcept
{
    const auto mask = static_cast<unsigned char>(0x80u >> (i & 7));
    m_Bytes[i >> 3] = static_cast<unsigned char>(value ? m_Bytes[i >> 3] | mask : m_Bytes[i >> 3] & ~mask);
}

// Bits past the count stay zero, so equal vectors have equal storage.
void BitVector::ClearUnusedBits() noexcept
{
    if (m_uCount & 7) m_Bytes.back() = static_cast<unsigned char>(m_Bytes.back() & (0xFF00u >> (m_uCount & 7)));
}

} // namespace VEK
