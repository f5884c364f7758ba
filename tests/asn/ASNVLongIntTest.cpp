#include <gmp.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <VEKParser/asn/ASNVLongInt.h>
#include <VEKParser/host/MemoryBuffer.h>

#include "tests/host/ChunkedStream.h"

using VEKParser::ASNVLongInt;
using VEKParser::CompleteCompare;
using Bytes = std::vector<unsigned char>;

namespace {

Bytes BytesOf(const ASNVLongInt& value)
{
    const unsigned char* data = value.GetBuffer().ContiguousData();
    return Bytes(data, data + value.GetBuffer().Size());
}

ASNVLongInt FromBytes(const Bytes& bytes)
{
    VEKFile::MemoryBuffer buffer(bytes.data(), static_cast<unsigned int>(bytes.size()));
    return ASNVLongInt(buffer);
}

// Two's-complement bytes read by GMP, the oracle of every operation.
struct Mpz {
    mpz_t v;
    Mpz() { mpz_init(v); }
    explicit Mpz(const Bytes& bytes) : Mpz()
    {
        mpz_import(v, bytes.size(), 1, 1, 1, 0, bytes.data());
        if (!bytes.empty() && bytes[0] >= 0x80) {
            Mpz power;
            mpz_ui_pow_ui(power.v, 256, bytes.size());
            mpz_sub(v, v, power.v);
        }
    }
    ~Mpz() { mpz_clear(v); }
    Mpz(const Mpz&) = delete;
    Mpz& operator=(const Mpz&) = delete;
};

// The canonical bytes of a GMP value: its two's complement over more bytes than it needs, then
// one sign byte in place of the leading run of them.
Bytes CanonicalOf(const Mpz& value)
{
    const std::size_t length = mpz_sizeinbase(value.v, 256) + 2;
    Mpz residue;
    mpz_fdiv_r_2exp(residue.v, value.v, 8 * length);
    Bytes bytes(length, 0);
    const std::size_t written = mpz_sgn(residue.v) == 0 ? 0 : (mpz_sizeinbase(residue.v, 2) + 7) / 8;
    mpz_export(bytes.data() + length - written, nullptr, 1, 1, 1, 0, residue.v);
    const unsigned char sign = mpz_sgn(value.v) < 0 ? 0xFF : 0x00;
    std::size_t skip = 0;
    while (skip < length && bytes[skip] == sign) ++skip;
    bytes[--skip] = sign;
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(skip), bytes.end());
}

// The canonical bytes of the value `set` gives GMP.
template <class Set>
Bytes Canonical(const Set& set)
{
    Mpz value;
    set(value.v);
    return CanonicalOf(value);
}

// Values around every byte boundary up to 64 bits, where carries and borrows change the length.
std::vector<Bytes> BoundaryValues()
{
    std::vector<Bytes> values;
    const auto add = [&](const auto& set) {
        values.push_back(Canonical(set));
        values.push_back(Canonical([&](mpz_ptr v) { set(v); mpz_neg(v, v); }));
    };
    for (const long small : {0L, 1L, 2L}) add([&](mpz_ptr v) { mpz_set_si(v, small); });
    for (unsigned long bits = 7; bits <= 64; ++bits)
        for (const long delta : {-1L, 0L, 1L})
            add([&](mpz_ptr v) {
                mpz_ui_pow_ui(v, 2, bits);
                delta < 0 ? mpz_sub_ui(v, v, 1) : mpz_add_ui(v, v, static_cast<unsigned long>(delta));
            });
    return values;
}

std::string Hex(const Bytes& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (const unsigned char b : bytes) text += {digits[b >> 4], digits[b & 15], ' '};
    return text;
}

// Every operation on one pair against GMP; the operands keep their values.
void CheckPair(const Bytes& x, const Bytes& y)
{
    const ASNVLongInt a = FromBytes(x), b = FromBytes(y);
    const Mpz p(x), q(y);
    SCOPED_TRACE(Hex(x) + "and " + Hex(y));
    const Bytes sum = Canonical([&](mpz_ptr r) { mpz_add(r, p.v, q.v); });
    const Bytes difference = Canonical([&](mpz_ptr r) { mpz_sub(r, p.v, q.v); });
    EXPECT_EQ(BytesOf(a + b), sum);
    EXPECT_EQ(BytesOf(a - b), difference);
    EXPECT_EQ(BytesOf(a.Negate()), Canonical([&](mpz_ptr r) { mpz_neg(r, p.v); }));
    const int order = mpz_cmp(p.v, q.v);
    EXPECT_EQ(CompleteCompare(a.GetBuffer(), b.GetBuffer()), (order > 0) - (order < 0));
    EXPECT_EQ((std::vector<bool>{a == b, a != b, a < b, a <= b, a > b, a >= b}),
              (std::vector<bool>{order == 0, order != 0, order < 0, order <= 0, order > 0, order >= 0}));
    ASNVLongInt compoundSum = a, compoundDifference = a;
    EXPECT_EQ(BytesOf(compoundSum += b), sum);
    EXPECT_EQ(BytesOf(compoundDifference -= b), difference);
    EXPECT_EQ(BytesOf(a), CanonicalOf(p));
    EXPECT_EQ(BytesOf(b), CanonicalOf(q));
}

void CheckSteps(const Bytes& x)
{
    SCOPED_TRACE(Hex(x));
    const Mpz p(x);
    const Bytes same = CanonicalOf(p), next = Canonical([&](mpz_ptr r) { mpz_add_ui(r, p.v, 1); });
    ASNVLongInt value = FromBytes(x);
    EXPECT_EQ(BytesOf(++value), next);
    EXPECT_EQ(BytesOf(--value), same);
    EXPECT_EQ(BytesOf(value++), same);
    EXPECT_EQ(BytesOf(value--), next);
    EXPECT_EQ(BytesOf(value), same);
}

// n bytes of `fill` after a sign byte.
Bytes SignAndFill(unsigned char sign, std::size_t n, unsigned char fill)
{
    Bytes bytes(n + 1, fill);
    bytes[0] = sign;
    return bytes;
}

TEST(ASNVLongInt, ConstructionIsCanonical)
{
    EXPECT_EQ(BytesOf(ASNVLongInt()), Bytes{0x00});
    for (const Bytes& canonical : BoundaryValues()) {
        const Mpz value(canonical);
        if (!mpz_fits_slong_p(value.v)) continue;
        EXPECT_EQ(BytesOf(ASNVLongInt(static_cast<std::int64_t>(mpz_get_si(value.v)))), canonical) << Hex(canonical);
    }
    // From a stream: redundant sign bytes go, a missing one comes.
    const std::vector<std::pair<Bytes, Bytes>> cases{
        {{0x00, 0x00, 0x00, 0x05}, {0x00, 0x05}}, {{0xFF, 0xFF, 0x80}, {0xFF, 0x80}}, {{}, {0x00}},
        {{0x05}, {0x00, 0x05}}, {{0x80}, {0xFF, 0x80}}, {{0x7F, 0x01}, {0x00, 0x7F, 0x01}},
        {{0xFE}, {0xFF, 0xFE}}, {{0x00, 0x00}, {0x00}}, {{0xFF, 0xFF, 0xFF}, {0xFF}},
        {{0xFF, 0xFF, 0x7F}, {0xFF, 0x7F}}, {{0x00, 0x00, 0x80}, {0x00, 0x80}}};
    for (const auto& [source, canonical] : cases) {
        EXPECT_EQ(BytesOf(FromBytes(source)), canonical) << Hex(source);
        ChunkedStream chunked(std::string(source.begin(), source.end()), 1);
        EXPECT_EQ(BytesOf(ASNVLongInt(chunked)), canonical) << Hex(source);
    }
}

TEST(ASNVLongInt, StreamsAreReadFromTheirPositionAndCopiesHoldAllBytes)
{
    const Bytes bytes{0x12, 0x34, 0x00, 0x00, 0x81, 0x02};
    VEKFile::MemoryBuffer buffer(bytes.data(), static_cast<unsigned int>(bytes.size()));
    unsigned char skipped[3];
    buffer.Get(skipped, 3);
    buffer.PutBack(skipped + 2, 1);
    EXPECT_EQ(BytesOf(ASNVLongInt(buffer)), (Bytes{0x00, 0x81, 0x02}));
    EXPECT_TRUE(buffer.EndOfFile());

    // A copy holds every byte, wherever the source's own reading stands.
    const ASNVLongInt original = FromBytes({0x00, 0x81, 0x02, 0x03});
    unsigned char first;
    const_cast<VEK::BinaryStreamBufT<unsigned int>&>(original.GetBuffer()).Get(&first, 1);
    EXPECT_EQ(BytesOf(ASNVLongInt(original)), BytesOf(original));
    EXPECT_EQ(original.GetBuffer().TellG(), 0u);
    ASNVLongInt assigned(-5);
    assigned = original;
    EXPECT_EQ(BytesOf(assigned), BytesOf(original));

    // A moved value, held in place or on the heap, arrives whole and leaves 0 behind.
    for (const Bytes& moved : {Bytes{0xFF, 0x80}, Bytes(300, 0x5A)}) {
        ASNVLongInt source = FromBytes(moved);
        ASNVLongInt taken(std::move(source));
        EXPECT_EQ(BytesOf(taken), BytesOf(FromBytes(moved)));
        EXPECT_EQ(BytesOf(source), Bytes{0x00});
        source = std::move(taken);
        EXPECT_EQ(BytesOf(source), BytesOf(FromBytes(moved)));
        EXPECT_EQ(BytesOf(taken + source), BytesOf(source));
    }
}

// Every boundary pair, then random operands of either sign up to the lengths of serial numbers
// and moduli, one byte either side of each length; 100 bytes is long for word steps and short
// for vector steps.
TEST(ASNVLongInt, ArithmeticAndComparisonMatchGmp)
{
    const std::vector<Bytes> values = BoundaryValues();
    for (const Bytes& x : values) {
        CheckSteps(x);
        for (const Bytes& y : values) CheckPair(x, y);
    }
    std::mt19937_64 random(1234);
    const auto randomBytes = [&](std::size_t size) {
        Bytes bytes(size - 1 + random() % 3);
        for (auto& b : bytes) b = static_cast<unsigned char>(random());
        return bytes;
    };
    for (const std::size_t size : {2u, 5u, 8u, 11u, 14u, 17u, 20u, 100u, 257u, 4096u}) {
        for (int round = 0; round < (size < 100 ? 300 : 30); ++round) {
            const Bytes x = randomBytes(size);
            CheckPair(x, round % 5 == 0 ? x : randomBytes(size));
            CheckSteps(x);
        }
    }
    // Long runs of words that pass a carry on (a sum of all ones) or a borrow (a difference of
    // 0) into a carry or borrow made at the far end, across the vector blocks.
    for (const std::size_t size : {257u, 4096u}) {
        // The last byte's top bit set, so that the sum and the second difference leave it.
        Bytes x = randomBytes(size);
        x.push_back(0x80);
        Bytes complement(x.size()), lastDiffers = x;
        std::transform(x.begin(), x.end(), complement.begin(), [](unsigned char c) { return static_cast<unsigned char>(~c); });
        complement.back() ^= 0x80;
        lastDiffers.back() ^= 0x80;
        CheckPair(x, complement);
        CheckPair(x, lastDiffers);
        CheckPair(lastDiffers, x);
    }
}

TEST(ASNVLongInt, CarriesAndBorrowsRunAcrossThousandsOfBytes)
{
    const std::size_t n = 5000;
    const ASNVLongInt allOnes = FromBytes(SignAndFill(0x00, n, 0xFF));  // 256^n - 1
    Bytes power = SignAndFill(0x00, n + 1, 0x00);                        // 256^n
    power[1] = 0x01;
    EXPECT_EQ(BytesOf(allOnes + ASNVLongInt(1)), power);
    EXPECT_EQ(BytesOf(FromBytes(power) - ASNVLongInt(1)), BytesOf(allOnes));

    // -256^n: FF 00 ... 00; one less needs a longer string, one more is -(256^n - 1).
    const ASNVLongInt negativePower = FromBytes(SignAndFill(0xFF, n, 0x00));
    Bytes belowNegativePower = SignAndFill(0xFF, n + 1, 0xFF);
    belowNegativePower[1] = 0xFE;
    EXPECT_EQ(BytesOf(negativePower - ASNVLongInt(1)), belowNegativePower);
    EXPECT_EQ(BytesOf(negativePower + ASNVLongInt(1)), BytesOf(allOnes.Negate()));
    EXPECT_EQ(BytesOf(negativePower.Negate()), power);
    EXPECT_EQ(BytesOf(allOnes + negativePower), Bytes{0xFF});
    EXPECT_EQ(BytesOf(allOnes - allOnes), Bytes{0x00});
}

// Comparing a chunked stream with itself once split its chunks between two readers.
TEST(ASNVLongInt, ComparisonReadsStreamsInChunksAndRewindsThem)
{
    const std::size_t n = 70000;
    Bytes low = SignAndFill(0x00, n, 0x55);
    Bytes high = low;
    high[40000] = 0x56;  // past the first chunk
    ChunkedStream chunkedLow(std::string(low.begin(), low.end()), 1000);
    ChunkedStream chunkedHigh(std::string(high.begin(), high.end()), 999);
    EXPECT_EQ(CompleteCompare(chunkedLow, chunkedHigh), -1);
    EXPECT_EQ(CompleteCompare(chunkedHigh, chunkedLow), 1);
    EXPECT_EQ(CompleteCompare(chunkedLow, chunkedLow), 0);

    VEKFile::MemoryBuffer memoryHigh(high.data(), static_cast<unsigned int>(high.size()));
    unsigned char skipped[2];
    memoryHigh.Get(skipped, 2);
    memoryHigh.PutBack(skipped, 1);
    EXPECT_EQ(CompleteCompare(memoryHigh, chunkedHigh), 0);  // whole contents, pushed-back byte dropped
    EXPECT_EQ(memoryHigh.PushBackSize(), 0u);
    EXPECT_GT(FromBytes(low), FromBytes(SignAndFill(0x00, n - 1, 0x7F)));
    EXPECT_LT(FromBytes(low).Negate(), FromBytes(SignAndFill(0x00, n - 1, 0x7F)).Negate());
}

} // namespace
