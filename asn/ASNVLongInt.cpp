#include <VEKParser/asn/ASNVLongInt.h>

#include <x86intrin.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
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

// Appends one sign byte and then the bytes after the leading run of sign bytes, in one step:
// most values need a sign byte in front, and writing it apart had cost a second call.
void PutCanonical(VEKFile::MemoryBuffer& out, std::span<const unsigned char> bytes)
{
    const unsigned char sign = bytes.empty() ? NON_NEGATIVE : SignExtension(bytes[0]);
    std::size_t skip = 0;
    while (skip < bytes.size() && bytes[skip] == sign) ++skip;
    const bool lead = skip == 0;
    if (!lead) --skip;  // the last of the run is the sign byte
    const std::size_t kept = bytes.size() - skip;
    unsigned char* to = out.Extend(static_cast<unsigned int>(kept + (lead ? 1 : 0)));
    if (lead) *to++ = sign;
    if (kept != 0) std::memcpy(to, bytes.data() + skip, kept);
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

using Word = std::uint64_t;
constexpr std::size_t WORD_SIZE = sizeof(Word);

Word LoadBigEndian(const unsigned char* bytes) noexcept
{
    Word word;
    std::memcpy(&word, bytes, WORD_SIZE);
    return __builtin_bswap64(word);
}

void StoreBigEndian(unsigned char* bytes, Word word) noexcept
{
    word = __builtin_bswap64(word);
    std::memcpy(bytes, &word, WORD_SIZE);
}

// The order of two big-endian words as they lie; only a differing pair is brought into order.
[[gnu::always_inline]] inline int WordOrder(const unsigned char* a, const unsigned char* b) noexcept
{
    Word x;
    Word y;
    std::memcpy(&x, a, WORD_SIZE);
    std::memcpy(&y, b, WORD_SIZE);
    if (x == y) return 0;
    return __builtin_bswap64(x) < __builtin_bswap64(y) ? -1 : 1;
}

// The order of two byte strings of one length, a word at a time while the strings are short;
// the last word of a string longer than a word overlaps the one before it. Words are compared
// as they lie, and only a differing pair is brought into big-endian order.
[[gnu::always_inline]] inline int ByteOrderInPlace(const unsigned char* a, const unsigned char* b, std::size_t size) noexcept
{
    if (size > 4 * WORD_SIZE) return Sign(std::memcmp(a, b, size));
    if (size < WORD_SIZE) {
        for (std::size_t i = 0; i < size; ++i)
            if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
        return 0;
    }
    std::size_t at = 0;
    for (; at + WORD_SIZE <= size; at += WORD_SIZE)
        if (const int order = WordOrder(a + at, b + at)) return order;
    return at == size ? 0 : WordOrder(a + size - WORD_SIZE, b + size - WORD_SIZE);
}

// The order of two canonical values: the sign, then the length, then the bytes. Of one length up
// to three words, the first word read as signed orders the signs (the sign byte leads it); then
// comes the word after it, or the last one where that overlaps the first (whose bytes are
// equal), then the last word.
int CanonicalOrder(std::span<const unsigned char> a, std::span<const unsigned char> b) noexcept
{
    const std::size_t size = a.size();
    if (__builtin_expect(size == b.size() && size - WORD_SIZE <= 2 * WORD_SIZE, 1)) {
        const auto x = static_cast<std::int64_t>(LoadBigEndian(a.data()));
        const auto y = static_cast<std::int64_t>(LoadBigEndian(b.data()));
        if (x != y) return x < y ? -1 : 1;
        const std::size_t middle = std::min(WORD_SIZE, size - WORD_SIZE);
        if (const int order = WordOrder(a.data() + middle, b.data() + middle)) return order;
        return WordOrder(a.data() + size - WORD_SIZE, b.data() + size - WORD_SIZE);
    }
    const bool negativeA = a[0] == NEGATIVE;
    const bool negativeB = b[0] == NEGATIVE;
    if (negativeA != negativeB) return negativeA ? -1 : 1;
    if (size != b.size()) return (size > b.size()) != negativeA ? 1 : -1;
    return ByteOrderInPlace(a.data(), b.data(), size);
}

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
    if (dataA && dataB) return ByteOrderInPlace(dataA, dataB, size);
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

// The word that ends `fromEnd` bytes before the end of a two's-complement string, sign-extended
// past its front.
Word WordBefore(std::span<const unsigned char> bytes, std::size_t fromEnd, Word extension) noexcept
{
    const std::size_t end = bytes.size() - std::min(bytes.size(), fromEnd);
    if (end >= WORD_SIZE) return LoadBigEndian(bytes.data() + end - WORD_SIZE);
    Word word = extension;
    for (std::size_t i = 0; i < end; ++i) word = (word << 8) | bytes[i];
    return word;
}

// The last `count` bytes of `word`, or as many as fit after the front, to end `fromEnd` bytes
// before the end of `bytes`.
void PutWordBefore(std::span<unsigned char> bytes, std::size_t fromEnd, Word word,
                   std::size_t count = WORD_SIZE) noexcept
{
    const std::size_t end = bytes.size() - fromEnd;
    if (count == WORD_SIZE && end >= WORD_SIZE) return StoreBigEndian(bytes.data() + end - WORD_SIZE, word);
    for (std::size_t i = 0; i < std::min(end, count); ++i)
        bytes[end - 1 - i] = static_cast<unsigned char>(word >> (8 * i));
}

// x + y + carry, or x - y - borrow; returns the carry or borrow out.
template <bool Subtract>
unsigned char ChainStep(unsigned char carry, Word x, Word y, Word& digit) noexcept
{
    unsigned long long out;
    carry = Subtract ? _subborrow_u64(carry, x, y, &out) : _addcarry_u64(carry, x, y, &out);
    digit = out;
    return carry;
}

// Groups of four words that end at the given ends of a, b and the digits, the last group first,
// after the carry (or borrow) `carryIn`. The carry stays in the flag from the first word to the
// last: mov, bswap, lea and dec leave it alone, so no word has to rebuild it from a register.
template <bool Subtract>
unsigned char ChainGroups(unsigned char carryIn, const unsigned char* endA, const unsigned char* endB,
                          unsigned char* endDigits, std::size_t groups) noexcept
{
    constexpr std::size_t GROUP_WORDS = 4;
    const std::size_t span = groups * GROUP_WORDS * WORD_SIZE;
    std::size_t index = groups * GROUP_WORDS;  // words, from the front of the span to the group's end
    std::size_t left = groups;
    bool carry;
    Word x;
    Word y;
    asm volatile("btl $0, %k[carryIn]\n"
                 "1:\n\t"
                 ".irp at, -8, -16, -24, -32\n\t"
                 "movq \\at(%[a],%[index],8), %[x]\n\t"
                 "movq \\at(%[b],%[index],8), %[y]\n\t"
                 "bswapq %[x]\n\t"
                 "bswapq %[y]\n\t"
                 ".if %c[subtract]\n\t"
                 "sbbq %[y], %[x]\n\t"
                 ".else\n\t"
                 "adcq %[y], %[x]\n\t"
                 ".endif\n\t"
                 "bswapq %[x]\n\t"
                 "movq %[x], \\at(%[digits],%[index],8)\n\t"
                 ".endr\n\t"
                 "leaq -4(%[index]), %[index]\n\t"
                 "decq %[left]\n\t"
                 "jnz 1b"
                 : "=@ccc"(carry), [x] "=&r"(x), [y] "=&r"(y), [index] "+r"(index), [left] "+r"(left)
                 : [a] "r"(endA - span), [b] "r"(endB - span), [digits] "r"(endDigits - span),
                   [carryIn] "r"(static_cast<unsigned int>(carryIn)), [subtract] "i"(Subtract ? 1 : 0)
                 : "memory");
    return carry;
}

// For the vector chain below, which holds four words to a vector, the most significant first.
struct CarryTables {
    // Lanes that take a carry, as -1, for each set of carries into the four words (bit 0: the
    // least significant word, in the last lane).
    alignas(32) std::int64_t m_Carries[16][4];
    // A lane mask with its four bits in the opposite order: the least significant word first.
    unsigned char m_Reversed[16];

    constexpr CarryTables() : m_Carries{}, m_Reversed{}
    {
        for (unsigned int mask = 0; mask < 16; ++mask)
            for (unsigned int lane = 0; lane < 4; ++lane) {
                m_Carries[mask][3 - lane] = (mask >> lane) & 1 ? -1 : 0;
                m_Reversed[mask] |= static_cast<unsigned char>(((mask >> lane) & 1) << (3 - lane));
            }
    }
};
constexpr CarryTables CARRY_TABLES;

// Reverses the bytes of each word in the lanes: big-endian words to numbers and back.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i SwapWordBytes(__m256i lanes) noexcept
{
    const __m256i swap = _mm256_setr_epi8(7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8,
                                          7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8);
    return _mm256_shuffle_epi8(lanes, swap);
}

// Four big-endian words as vector lanes, the most significant first.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i LoadLanes(const unsigned char* bytes) noexcept
{
    return SwapWordBytes(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes)));
}

[[gnu::target("avx2"), gnu::always_inline]] inline void StoreLanes(unsigned char* bytes, __m256i lanes) noexcept
{
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(bytes), SwapWordBytes(lanes));
}

// The lanes whose top bit is set, the least significant word first.
[[gnu::target("avx2"), gnu::always_inline]] inline unsigned int LaneMask(__m256i lanes) noexcept
{
    return CARRY_TABLES.m_Reversed[_mm256_movemask_pd(_mm256_castsi256_pd(lanes))];
}

// Blocks of eight words that end at the given ends of a, b and the digits, the last block first,
// after the carry (or borrow) `carryIn`. The words are added (or subtracted) in vector lanes, and
// the carries between them follow from two masks per block: words that carry out, and words that
// pass a carry on; one integer addition of the masks moves every carry to its word. A difference
// is taken as it is, not as a + ~b + 1: a word borrows out where y exceeds x and passes a borrow
// on where it is 0, so subtracting costs no more vector steps than adding.
template <bool Subtract>
[[gnu::target("avx2")]] unsigned char VectorChain(unsigned char carryIn, const unsigned char* endA,
                                                  const unsigned char* endB, unsigned char* endDigits,
                                                  std::size_t blocks) noexcept
{
    const __m256i top = _mm256_set1_epi64x(std::numeric_limits<std::int64_t>::min());
    const __m256i passing = Subtract ? _mm256_setzero_si256() : _mm256_set1_epi64x(-1);
    constexpr std::size_t HALF = 4 * WORD_SIZE;
    unsigned int carry = carryIn;
    for (std::size_t block = 1; block <= blocks; ++block) {
        const std::size_t at = block * 2 * HALF;  // the block's front, from the ends
        __m256i results[2];
        unsigned int generate = 0;
        unsigned int propagate = 0;
        for (std::size_t half = 0; half < 2; ++half) {  // the less significant half first
            const __m256i x = LoadLanes(endA - at + (1 - half) * HALF);
            const __m256i y = LoadLanes(endB - at + (1 - half) * HALF);
            results[half] = Subtract ? _mm256_sub_epi64(x, y) : _mm256_add_epi64(x, y);
            // Unsigned comparisons: a sum carries when it wraps below x, a difference borrows
            // when y exceeds x.
            const __m256i low = _mm256_xor_si256(Subtract ? x : results[half], top);
            const __m256i high = _mm256_xor_si256(Subtract ? y : x, top);
            generate |= LaneMask(_mm256_cmpgt_epi64(high, low)) << (4 * half);
            propagate |= LaneMask(_mm256_cmpeq_epi64(results[half], passing)) << (4 * half);
        }
        const unsigned int moved = propagate + ((generate << 1) | carry);
        const unsigned int into = moved ^ propagate;
        carry = (moved >> 8) & 1;
        for (std::size_t half = 0; half < 2; ++half) {
            // -1 in the lanes that take a carry or a borrow.
            const auto* lanes = reinterpret_cast<const __m256i*>(CARRY_TABLES.m_Carries[(into >> (4 * half)) & 15]);
            const __m256i taken = _mm256_load_si256(lanes);
            StoreLanes(endDigits - at + (1 - half) * HALF,
                       Subtract ? _mm256_add_epi64(results[half], taken) : _mm256_sub_epi64(results[half], taken));
        }
    }
    return static_cast<unsigned char>(carry);
}

// Vector steps need AVX2; the flag chain serves every x86-64 processor.
const bool HAS_VECTOR_CHAIN = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}();

// a + b, or a - b, of two's-complement strings into `digits`, as long as the longer one, whose
// sign byte is returned. A word stored across two cache lines costs more than the rest of its
// step, so the words are counted from the last word boundary in the digits, and the few bytes
// after it go first, at the top of a word (the carry leaves from its top). Vector blocks start
// at a boundary of their own size, single words lead up to it. Then come whole groups of words
// through the flag chain, and last the words that reach past the shorter string's front,
// sign-extended.
template <bool Subtract>
unsigned char CombineWords(std::span<const unsigned char> a, std::span<const unsigned char> b,
                           std::span<unsigned char> digits) noexcept
{
    const Word extendA = SignExtension(a[0]) == NEGATIVE ? ~Word{0} : 0;
    const Word extendB = SignExtension(b[0]) == NEGATIVE ? ~Word{0} : 0;
    const auto end = reinterpret_cast<std::uintptr_t>(digits.data() + digits.size());
    const std::size_t tail = std::min(digits.size(), end % WORD_SIZE);
    unsigned char carry = 0;
    if (tail != 0) {
        const unsigned int shift = 8 * static_cast<unsigned int>(WORD_SIZE - tail);
        Word digit;
        const Word x = WordBefore(a, 0, extendA) << shift;
        const Word y = WordBefore(b, 0, extendB) << shift;
        carry = ChainStep<Subtract>(carry, x, y, digit);
        PutWordBefore(digits, 0, digit >> shift, tail);
    }
    std::size_t fromEnd = tail;
    const auto words = [&](std::size_t until) {
        for (; fromEnd < until; fromEnd += WORD_SIZE) {
            Word digit;
            carry = ChainStep<Subtract>(carry, WordBefore(a, fromEnd, extendA), WordBefore(b, fromEnd, extendB), digit);
            PutWordBefore(digits, fromEnd, digit);
        }
    };
    const auto ends = [&](std::span<const unsigned char> bytes) { return bytes.data() + bytes.size() - fromEnd; };
    const std::size_t shorter = std::min(a.size(), b.size());
    constexpr std::size_t BLOCK = 8 * WORD_SIZE;
    constexpr std::size_t GROUP = 4 * WORD_SIZE;
    if (HAS_VECTOR_CHAIN && shorter >= tail + 2 * BLOCK) {
        words(tail + (end - tail) % (BLOCK / 2));
        const std::size_t blocks = (shorter - fromEnd) / BLOCK;
        carry = VectorChain<Subtract>(carry, ends(a), ends(b), digits.data() + digits.size() - fromEnd, blocks);
        fromEnd += blocks * BLOCK;
    }
    if (const std::size_t groups = shorter > fromEnd ? (shorter - fromEnd) / GROUP : 0; groups != 0) {
        carry = ChainGroups<Subtract>(carry, ends(a), ends(b), digits.data() + digits.size() - fromEnd, groups);
        fromEnd += groups * GROUP;
    }
    words(digits.size());
    return static_cast<unsigned char>(Subtract ? extendA - extendB - carry : extendA + extendB + carry);
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

ASNVLongInt::ASNVLongInt(ASNVLongInt&& other) noexcept : m_Buffer(0) { TakeOver(other); }

ASNVLongInt& ASNVLongInt::operator=(ASNVLongInt&& other) noexcept
{
    if (this != &other) TakeOver(other);
    return *this;
}

ASNVLongInt::~ASNVLongInt() = default;

// An empty buffer keeps a few bytes in place, so writing the 0 never allocates.
void ASNVLongInt::TakeOver(ASNVLongInt& other) noexcept
{
    m_Buffer.TakeOver(other.m_Buffer);
    *other.m_Buffer.Extend(1) = NON_NEGATIVE;
}

ASNVLongInt::Bytes ASNVLongInt::Rewound() const noexcept
{
    m_Buffer.Rewind();
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
// two values overflows (so that byte is a sign byte). Works a machine word at a time from the
// end, straight into the result's buffer; the sign byte comes last.
ASNVLongInt ASNVLongInt::Combine(Bytes a, Bytes b, bool subtract)
{
    const std::size_t size = std::max(a.size(), b.size());
    ASNVLongInt result(Unformatted{}, size + 1);
    const std::span<unsigned char> digits(result.m_Buffer.Extend(static_cast<unsigned int>(size)), size);
    result.PutSignByte(subtract ? CombineWords<true>(a, b, digits) : CombineWords<false>(a, b, digits));
    return result;
}

// Mostly the first byte already repeats the sign, and nothing moves.
void ASNVLongInt::PutSignByte(unsigned char sign)
{
    const unsigned int size = m_Buffer.Size();
    const unsigned char* bytes = m_Buffer.Data();
    unsigned int run = 0;
    while (run < size && bytes[run] == sign) ++run;
    if (run == 1) return;
    if (run == 0) {
        m_Buffer.Extend(1);
        auto* moved = const_cast<unsigned char*>(m_Buffer.Data());
        std::memmove(moved + 1, moved, size);
        moved[0] = sign;
        return;
    }
    // The last byte of the run stays as the sign byte.
    auto* kept = const_cast<unsigned char*>(bytes);
    std::memmove(kept, kept + run - 1, size - run + 1);
    m_Buffer.SeekP(size - run + 1, VEK::SeekOrigin::Begin);
    m_Buffer.ClearEnd();
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

int ASNVLongInt::Order(const ASNVLongInt& a, const ASNVLongInt& b) noexcept
{
    return CanonicalOrder(a.Rewound(), b.Rewound());
}

bool operator==(const ASNVLongInt& a, const ASNVLongInt& b)
{
    const auto first = a.Rewound();
    const auto second = b.Rewound();
    return first.size() == second.size() && ByteOrderInPlace(first.data(), second.data(), first.size()) == 0;
}

bool operator!=(const ASNVLongInt& a, const ASNVLongInt& b) { return !(a == b); }
bool operator<(const ASNVLongInt& a, const ASNVLongInt& b) { return ASNVLongInt::Order(a, b) < 0; }
bool operator<=(const ASNVLongInt& a, const ASNVLongInt& b) { return ASNVLongInt::Order(a, b) <= 0; }
bool operator>(const ASNVLongInt& a, const ASNVLongInt& b) { return ASNVLongInt::Order(a, b) > 0; }
bool operator>=(const ASNVLongInt& a, const ASNVLongInt& b) { return ASNVLongInt::Order(a, b) >= 0; }

} // namespace VEKParser
