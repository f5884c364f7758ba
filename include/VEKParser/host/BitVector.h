#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <VEKParser/Export.h>

namespace VEK {

// A sequence of bits stored most significant bit first in each byte, as BER bit strings are.
class VEKPARSER_API BitVector {
public:
    BitVector() = default;

    // Sets the count; new bits take `value`, bits beyond the count are cleared.
    void resize(std::size_t count, bool value = false);
    std::size_t size() const noexcept { return m_uCount; }
    bool empty() const noexcept { return m_uCount == 0; }
    bool operator[](std::size_t i) const noexcept { return (m_Bytes[i >> 3] >> (7 - (i & 7))) & 1; }
    void set(std::size_t i, bool value) noexcept;

    // Storage, writable byte by byte: (size() + 7) / 8 bytes.
    unsigned char* data() noexcept { return m_Bytes.data(); }
    const unsigned char* data() const noexcept { return m_Bytes.data(); }
    std::size_t byteSize() const noexcept { return m_Bytes.size(); }

    friend bool operator==(const BitVector&, const BitVector&) = default;

private:
    void ClearUnusedBits() noexcept;

    std::vector<unsigned char> m_Bytes;
    std::size_t m_uCount = 0;
};

} // namespace VEK
