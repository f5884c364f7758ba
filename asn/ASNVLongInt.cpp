#include <VEKParser/asn/ASNVLongInt.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace VEKParser {

namespace {

// The buffers are sized to their values: most are a few bytes long, and a tree holds many.
constexpr unsigned int INT64_CAPACITY = 9;
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

Stream& Rewound(const Stream& stream)
{
    Stream& readable = Readable(stream);
    readable.SeekG(0);
    return readable;
}

// What orders two canonical values before their bytes are compared.
struct Shape {
    unsigned int size;
    bool negative;
};

Shape ShapeOf(Stream& rewound)
{
    const unsigned int size = rewound.Size();
    unsigned char first = NON_NEGATIVE;
    if (const unsigned char* data = rewound.ContiguousData(); data && size)
        first = data[0];
    else
        rewound.Peek(&first, 1);
    return {size, first == NEGATIVE};
}

int Sign(int order) { return (order > 0) - (order < 0); }

const unsigned char* ReadChunk(Stream& stream, unsigned int count, std::string& chunk)
{
    chunk.clear();
    stream.Copy(chunk, count);
    chunk.resize(count, '\0');  // a stream that delivers fewer bytes than it claims reads as zeros
    return reinterpret_cast<const unsigned char*>(chunk.data());
}

// The order of the first differing bytes of two rewound streams of `size` bytes, 0 when none
// differ; bytes in memory are compared in place, others chunk by chunk.
int ByteOrder(Stream& a, Stream& b, unsigned int size)
{
    const unsigned char* dataA = a.ContiguousData();
    const unsigned char* dataB = b.ContiguousData();
    if (dataA && dataB) return Sign(std::memcmp(dataA, dataB, size));
    std::string chunkA;
    std::string chunkB;
    for (unsigned int done = 0; done < size;) {
        const unsigned int count = std::min(COMPARE_CHUNK, size - done);
        const int order = std::memcmp(ReadChunk(a, count, chunkA), ReadChunk(b, count, chunkB), count);
        if (order != 0) return Sign(order);
        done += count;
    }
    return 0;
}

using Word = std::uint64_t;
constexpr std::size_t WORD_SIZE = sizeof(Word);

// Word `index` counted from the end of a two's-complement string, sign-extended past its front.
Word WordFromEnd(std::span<const unsigned char> bytes, std::size_t index, Word extension)
{
    const std::size_t end = bytes.size() - std::min(bytes.size(), index * WORD_SIZE);
    if (end >= WORD_SIZE) {
        Word word;
        std::memcpy(&word, bytes.data() + end - WORD_SIZE, WORD_SIZE);
        return __builtin_bswap64(word);
    }
    Word word = extension;
    for (std::size_t i = 0; i < end; ++i) word = (word << 8) | bytes[i];
    return word;
}

void PutWordFromEnd(std::span<unsigned char> bytes, std::size_t index, Word word)
{
    const std::size_t end = bytes.size() - index * WORD_SIZE;
    if (end >= WORD_SIZE) {
        word = __builtin_bswap64(word);
        std::memcpy(bytes.data() + end - WORD_SIZE, &word, WORD_SIZE);
        return;
    }
    for (std::size_t i = 0; i < end; ++i) bytes[end - 1 - i] = static_cast<unsigned char>(word >> (8 * i));
}

} // namespace

ASNVLongInt::ASNVLongInt() : ASNVLongInt(std::int64_t{0}) {}

ASNVLongInt::ASNVLongInt(std::int64_t value) : m_Buffer(INT64_CAPACITY)
{
    std::array<unsigned char, 8> bytes{};
    const auto bits = static_cast<std::uint64_t>(value);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(bits >> (56 - 8 * i));
    PutCanonical(m_Buffer, bytes);
}

ASNVLongInt::ASNVLongInt(const Stream& source) : m_Buffer(0)
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

ASNVLongInt::ASNVLongInt(Bytes bytes) : m_Buffer(static_cast<unsigned int>(bytes.size() + 1)) { PutCanonical(m_Buffer, bytes); }

ASNVLongInt::ASNVLongInt(const ASNVLongInt& other) : m_Buffer(other.m_Buffer.Size()) { Assign(other.Rewound()); }

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
// two values overflows; a - b is a + ~b + 1. Works a machine word at a time from the end.
ASNVLongInt ASNVLongInt::Combine(Bytes a, Bytes b, bool subtract)
{
    std::vector<unsigned char> sum(std::max(a.size(), b.size()) + 1);
    const Word extendA = SignExtension(a[0]) == NEGATIVE ? ~Word{0} : 0;
    const Word extendB = SignExtension(b[0]) == NEGATIVE ? ~Word{0} : 0;
    const Word flip = subtract ? ~Word{0} : 0;
    bool carry = subtract;
    for (std::size_t index = 0; index * WORD_SIZE < sum.size(); ++index) {
        Word digit;
        const bool overflow = __builtin_add_overflow(WordFromEnd(a, index, extendA),
                                                     WordFromEnd(b, index, extendB) ^ flip, &digit);
        carry = __builtin_add_overflow(digit, Word{carry}, &digit) || overflow;
        PutWordFromEnd(sum, index, digit);
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
    Stream& first = Rewound(a);
    Stream& second = Rewound(b);
    // One stream read as both operands would deliver each chunk to only one of them.
    if (&first == &second) return 0;
    const Shape shapeA = ShapeOf(first);
    const Shape shapeB = ShapeOf(second);
    if (shapeA.size == shapeB.size) {
        const int order = ByteOrder(first, second, shapeA.size);
        if (order == 0 || shapeA.negative == shapeB.negative) return order;
    }
    if (shapeA.negative != shapeB.negative) return shapeA.negative ? -1 : 1;
    return (shapeA.size > shapeB.size) != shapeA.negative ? 1 : -1;
}

bool operator==(const ASNVLongInt& a, const ASNVLongInt& b)
{
    Stream& first = Rewound(a.GetBuffer());
    Stream& second = Rewound(b.GetBuffer());
    return first.Size() == second.Size() && ByteOrder(first, second, first.Size()) == 0;
}

bool operator!=(const ASNVLongInt& a, const ASNVLongInt& b) { return !(a == b); }
bool operator<(const ASNVLongInt& a, const ASNVLongInt& b) { return CompleteCompare(a.GetBuffer(), b.GetBuffer()) < 0; }
bool operator<=(const ASNVLongInt& a, const ASNVLongInt& b) { return CompleteCompare(a.GetBuffer(), b.GetBuffer()) <= 0; }
bool operator>(const ASNVLongInt& a, const ASNVLongInt& b) { return CompleteCompare(a.GetBuffer(), b.GetBuffer()) > 0; }
bool operator>=(const ASNVLongInt& a, const ASNVLongInt& b) { return CompleteCompare(a.GetBuffer(), b.GetBuffer()) >= 0; }

} // namespace VEKParser
