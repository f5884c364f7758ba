#pragma once

#include <cstdint>
#include <span>

#include <VEKParser/Export.h>
#include <VEKParser/host/BinaryStream.h>
#include <VEKParser/host/MemoryBuffer.h>

namespace VEKParser {

class ASNVLongInt;

VEKPARSER_API ASNVLongInt operator+(const ASNVLongInt& a, const ASNVLongInt& b);
VEKPARSER_API ASNVLongInt operator-(const ASNVLongInt& a, const ASNVLongInt& b);

// A signed integer of any length, held as big-endian two's-complement bytes in canonical form:
// one sign byte (0x00 or 0xFF) followed by the remaining bytes, none of which repeats the sign
// byte at the front. So 0 is 00, 127 is 00 7F, 128 is 00 80, -1 is FF, -128 is FF 80 and -129
// is FF 7F; the first byte alone gives the sign, and comparison and negation rely on that.
//
// Reading a value (copying it, comparing it, computing with it) rewinds its buffer, even through
// a const reference: one object must not be used by two threads at once, even for reading.
class VEKPARSER_API ASNVLongInt {
public:
    ASNVLongInt();
    ASNVLongInt(std::int64_t value);
    // The bytes from the source's read position to its end, read as big-endian two's complement
    // of any length (an empty source is 0). The source's read position moves to its end.
    explicit ASNVLongInt(const VEK::BinaryStreamBufT<unsigned int>& source);
    ASNVLongInt(const ASNVLongInt& other);
    ASNVLongInt& operator=(const ASNVLongInt& other);
    // Takes the other's bytes over without a copy; the other is left holding 0.
    ASNVLongInt(ASNVLongInt&& other) noexcept;
    ASNVLongInt& operator=(ASNVLongInt&& other) noexcept;
    ~ASNVLongInt();

    // The canonical bytes.
    const VEK::BinaryStreamBufT<unsigned int>& GetBuffer() const { return m_Buffer; }

    // -value; this object keeps its value.
    ASNVLongInt Negate() const;

    ASNVLongInt& operator+=(const ASNVLongInt& other);
    ASNVLongInt& operator-=(const ASNVLongInt& other);
    ASNVLongInt& operator++();
    ASNVLongInt& operator--();
    ASNVLongInt operator++(int);
    ASNVLongInt operator--(int);

    friend ASNVLongInt operator+(const ASNVLongInt& a, const ASNVLongInt& b);
    friend ASNVLongInt operator-(const ASNVLongInt& a, const ASNVLongInt& b);
    friend bool operator==(const ASNVLongInt& a, const ASNVLongInt& b);
    friend bool operator<(const ASNVLongInt& a, const ASNVLongInt& b);
    friend bool operator<=(const ASNVLongInt& a, const ASNVLongInt& b);
    friend bool operator>(const ASNVLongInt& a, const ASNVLongInt& b);
    friend bool operator>=(const ASNVLongInt& a, const ASNVLongInt& b);

private:
    friend class ASNPrimitiveDecoder;
    using Bytes = std::span<const unsigned char>;

    // The canonical form of any two's-complement bytes.
    explicit ASNVLongInt(Bytes bytes);
    // An empty buffer with room for `capacity` bytes, to be filled and brought to canonical form.
    struct Unformatted {};
    ASNVLongInt(Unformatted, std::size_t capacity) : m_Buffer(static_cast<unsigned int>(capacity)) {}
    // a + b, or a - b when `subtract` is set, of canonical bytes.
    static ASNVLongInt Combine(Bytes a, Bytes b, bool subtract);

    // Rewinds the buffer and returns its bytes, which lie contiguous in memory.
    Bytes Rewound() const noexcept;
    // CompleteCompare of two values, without going through their streams.
    static int Order(const ASNVLongInt& a, const ASNVLongInt& b) noexcept;
    // Takes the other's bytes and leaves it 0.
    void TakeOver(ASNVLongInt& other) noexcept;
    // Replaces the content by `bytes`, which must not lie in this object's buffer.
    void Assign(Bytes bytes);
    // Brings the buffer to canonical form.
    void Format();
    // Puts the sign byte in front of the other bytes of a value and brings it to canonical form.
    void PutSignByte(unsigned char sign);

    // Rewound by every reader, so mutable: reading a value moves its positions, not its bytes.
    mutable VEKFile::MemoryBuffer m_Buffer;
};

// -1, 0 or +1 as a is less than, equal to or greater than b, for canonical buffers (for other
// byte strings the result is some order, not a fixed one). Both buffers are rewound.
VEKPARSER_API int CompleteCompare(const VEK::BinaryStreamBufT<unsigned int>& a,
                                  const VEK::BinaryStreamBufT<unsigned int>& b);

// Byte equality of the canonical buffers, which is value equality.
VEKPARSER_API bool operator==(const ASNVLongInt& a, const ASNVLongInt& b);
VEKPARSER_API bool operator!=(const ASNVLongInt& a, const ASNVLongInt& b);
VEKPARSER_API bool operator<(const ASNVLongInt& a, const ASNVLongInt& b);
VEKPARSER_API bool operator<=(const ASNVLongInt& a, const ASNVLongInt& b);
VEKPARSER_API bool operator>(const ASNVLongInt& a, const ASNVLongInt& b);
VEKPARSER_API bool operator>=(const ASNVLongInt& a, const ASNVLongInt& b);

} // namespace VEKParser
