#include <VEKParser/asn/ASNVLongInt.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

namespace VEKParser {

namespace {

constexpr unsigned int INITIAL_CAPACITY = 1024;
constexpr unsigned int COMPARE_CHUNK = 32768;
constexpr unsigned char NON_NEGATIVE = 0x00;
constexpr unsigned char NEGATIVE = 0xFF;
constexpr unsigned char ZERO[] = {NON_NEGATIVE};

using Stream = VEK::BinaryStreamBufT<unsigned int>;

// The byte that sign-extends a two's-complement string whose first byte is `first`.
unsigned char SignExtension(unsigned char first) { return first >= 0x80 ? NEGATIVE : NON_NEGATIVE; }

bool IsCanonical(std::span<const unsigned char> bytes)
{
    return !bytes.empty() && (bytes[0] == NON_NEGATIVE || bytes[0] == NEGATIVE)
        && (bytes.size() == 1 || bytes[1] != bytes[0]);
}

// Appends one sign byte and then the bytes after the leading run of sign bytes.
void PutCanonical(VEKFile::MemoryBuffer& out, std::span<const unsigned char> bytes)
{
    const unsigned char sign = bytes.empty() ? NON_NEGATIVE : SignExtension(bytes[0]);
    std::size_t skip = 0;
    while (skip < bytes.size() && bytes[skip] == sign) ++skip;
    if (skip == 0)
        out.Put(&sign, 1);
    else
        --skip;  // the last of the run is the sign byte
    out.Put(bytes.data() + skip, static_cast<unsigned int>(bytes.size() - skip));
}

// Callers hand streams by const reference, but reading any stream moves its positions; the
// buffers of ASNVLongInt are mutable for that reason.
Stream& Readable(const Stream& stream) { return const_cast<Stream&>(stream); }

// A rewound stream's bytes, chunk by chunk: in place when they lie contiguous in memory,
// through a copy otherwise.
class ChunkReader {
public:
    explicit ChunkReader(const Stream& stream) : m_Stream(Readable(stream))
    {
        m_Stream.SeekG(0);
        m_pData = m_Stream.ContiguousData();
        unsigned char first = NON_NEGATIVE;
        m_bNegative = m_Stream.Peek(&first, 1) == 1 && first == NEGATIVE;
    }

    unsigned int Size() const { return m_Stream.Size(); }
    bool IsNegative() const { return m_bNegative; }

    // The next `count` bytes; a stream that delivers fewer than it claims reads as zeros.
    const unsigned char* Next(unsigned int count)
    {
        if (m_pData) {
            const unsigned char* chunk = m_pData + m_uOffset;
            m_uOffset += count;
            return chunk;
        }
        m_Copy.clear();
        m_Stream.Copy(m_Copy, count);
        m_Copy.resize(count, '\0');
        return reinterpret_cast<const unsigned char*>(m_Copy.data());
    }

private:
    Stream& m_Stream;
    const unsigned char* m_pData = nullptr;
    unsigned int m_uOffset = 0;
    bool m_bNegative = false;
    std::string m_Copy;
};

struct Mismatch {
    unsigned char a;
    unsigned char b;
};

// The first differing bytes of two streams of equal size.
std::optional<Mismatch> FirstMismatch(ChunkReader& a, ChunkReader& b)
{
    for (unsigned int done = 0; done < a.Size();) {
        const unsigned int count = std::min(COMPARE_CHUNK, a.Size() - done);
        const unsigned char* chunkA = a.Next(count);
        const unsigned char* chunkB = b.Next(count);
        const auto [atA, atB] = std::mismatch(chunkA, chunkA + count, chunkB);
        if (atA != chunkA + count) return Mismatch{*atA, *atB};
        done += count;
    }
    return std::nullopt;
}

} // namespace

ASNVLongInt::ASNVLongInt() : ASNVLongInt(std::int64_t{0}) {}

ASNVLongInt::ASNVLongInt(std::int64_t value) : m_Buffer(INITIAL_CAPACITY)
{
    std::array<unsigned char, 8> bytes{};
    const auto bits = static_cast<std::uint64_t>(value);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(bits >> (56 - 8 * i));
    PutCanonical(m_Buffer, bytes);
}

ASNVLongInt::ASNVLongInt(const Stream& source) : m_Buffer(INITIAL_CAPACITY)
{
    // A first byte that is no sign byte gets one in front before the copy, so the common
    // minimal encoding is already canonical and need not be rewritten.
    Stream& input = Readable(source);
    unsigned char first = NON_NEGATIVE;
    if (input.Peek(&first, 1) == 1 && first != NON_NEGATIVE && first != NEGATIVE) {
        const unsigned char sign = SignExtension(first);
        m_Buffer.Put(&sign, 1);
    }
    input.Copy(m_Buffer);
    Format();
}

ASNVLongInt::ASNVLongInt(Bytes bytes) : m_Buffer(INITIAL_CAPACITY) { PutCanonical(m_Buffer, bytes); }

ASNVLongInt::ASNVLongInt(const ASNVLongInt& other) : m_Buffer(INITIAL_CAPACITY) { Assign(other.Rewound()); }

ASNVLongInt& ASNVLongInt::operator=(const ASNVLongInt& other)
{
    if (this != &other) Assign(other.Rewound());
    return *this;
}

ASNVLongInt::~ASNVLongInt() = default;

ASNVLongInt::Bytes ASNVLongInt::Rewound() const
{
    m_Buffer.SeekG(0);
    return {m_Buffer.Data(), m_Buffer.Size()};
}

void ASNVLongInt::Assign(Bytes bytes)
{
    m_Buffer.Clear();
    m_Buffer.Put(bytes.data(), static_cast<unsigned int>(bytes.size()));
}

void ASNVLongInt::Format()
{
    const Bytes bytes = Rewound();
    if (IsCanonical(bytes)) return;
    const std::vector<unsigned char> copy(bytes.begin(), bytes.end());
    m_Buffer.Clear();
    PutCanonical(m_Buffer, copy);
}

// Two's complement over one byte more than the longer operand, which no sum or difference of
// two values overflows; a - b is a + ~b + 1.
ASNVLongInt ASNVLongInt::Combine(Bytes a, Bytes b, bool subtract)
{
    const std::size_t size = std::max(a.size(), b.size()) + 1;
    const unsigned int extendA = SignExtension(a[0]);
    const unsigned int extendB = SignExtension(b[0]);
    const unsigned int flip = subtract ? 0xFF : 0x00;
    std::vector<unsigned char> sum(size);
    unsigned int carry = subtract ? 1 : 0;
    for (std::size_t i = 1; i <= size; ++i) {
        const unsigned int x = i <= a.size() ? a[a.size() - i] : extendA;
        const unsigned int y = (i <= b.size() ? b[b.size() - i] : extendB) ^ flip;
        const unsigned int digit = x + y + carry;
        sum[size - i] = static_cast<unsigned char>(digit);
        carry = digit >> 8;
    }
    return ASNVLongInt(Bytes(sum));
}

ASNVLongInt ASNVLongInt::Negate() const { return Combine(ZERO, Rewound(), true); }

ASNVLongInt operator+(const ASNVLongInt& a, const ASNVLongInt& b)
{
    return ASNVLongInt::Combine(a.Rewound(), b.Rewound(), false);
}

ASNVLongInt operator-(const ASNVLongInt& a, const ASNVLongInt& b)
{
    return ASNVLongInt::Combine(a.Rewound(), b.Rewound(), true);
}

ASNVLongInt& ASNVLongInt::operator+=(const ASNVLongInt& other) { return *this = *this + other; }
ASNVLongInt& ASNVLongInt::operator-=(const ASNVLongInt& other) { return *this = *this - other; }
ASNVLongInt& ASNVLongInt::operator++() { return *this += ASNVLongInt(1); }
ASNVLongInt& ASNVLongInt::operator--() { return *this -= ASNVLongInt(1); }

ASNVLongInt ASNVLongInt::operator++(int)
{
    ASNVLongInt previous(*this);
    ++*this;
    return previous;
}

ASNVLongInt ASNVLongInt::operator--(int)
{
    ASNVLongInt previous(*this);
    --*this;
    return previous;
}

int CompleteCompare(const Stream& a, const Stream& b)
{
    ChunkReader readerA(a);
    ChunkReader readerB(b);
    // One stream read by two readers would deliver each chunk to only one of them.
    if (&a == &b) return 0;
    std::optional<Mismatch> mismatch;
    if (readerA.Size() == readerB.Size()) {
        mismatch = FirstMismatch(readerA, readerB);
        if (!mismatch) return 0;
    }
    if (readerA.IsNegative() != readerB.IsNegative()) return readerA.IsNegative() ? -1 : 1;
    if (!mismatch) return (readerA.Size() > readerB.Size()) != readerA.IsNegative() ? 1 : -1;
    return mismatch->a > mismatch->b ? 1 : -1;
}

bool operator==(const ASNVLongInt& a, const ASNVLongInt& b)
{
    ChunkReader readerA(a.GetBuffer());
    ChunkReader readerB(b.GetBuffer());
    return readerA.Size() == readerB.Size() && !FirstMismatch(readerA, readerB);
}

bool operator!=(const ASNVLongInt& a, const ASNVLongInt& b) { return !(a == b); }
bool operator<(const ASNVLongInt& a, const ASNVLongInt& b) { return CompleteCompare(a.GetBuffer(), b.GetBuffer()) < 0; }
bool operator<=(const ASNVLongInt& a, const ASNVLongInt& b) { return CompleteCompare(a.GetBuffer(), b.GetBuffer()) <= 0; }
bool operator>(const ASNVLongInt& a, const ASNVLongInt& b) { return CompleteCompare(a.GetBuffer(), b.GetBuffer()) > 0; }
bool operator>=(const ASNVLongInt& a, const ASNVLongInt& b) { return CompleteCompare(a.GetBuffer(), b.GetBuffer()) >= 0; }

} // namespace VEKParser
