#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <VEKParser/asn/ASNVLongInt.h>
#include <VEKParser/host/MemoryBuffer.h>

#include "tests/host/ChunkedStream.h"

using VEKParser::ASNVLongInt;
using VEKParser::CompleteCompare;
using Bytes = std::vector<unsigned char>;
// The oracle's integer type; __extension__ keeps -Wpedantic quiet about it.
__extension__ typedef __int128 Int128;
__extension__ typedef unsigned __int128 UInt128;

namespace {

Bytes BytesOf(const ASNVLongInt& value)
{
    const unsigned char* data = value.GetBuffer().ContiguousData();
    return Bytes(data, data + value.GetBuffer().Size());
}

// The expected canonical bytes, found by arithmetic rather than by stripping bytes: one sign
// byte plus as many bytes as the magnitude needs.
Bytes Canonical(Int128 value)
{
    std::size_t extra = 0;
    for (Int128 bound = 1; value >= 0 ? value >= bound : value < -bound; bound *= 256) ++extra;
    Bytes bytes(extra + 1);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[bytes.size() - 1 - i] = static_cast<unsigned char>(static_cast<UInt128>(value) >> (8 * i));
    return bytes;
}

ASNVLongInt FromBytes(const Bytes& bytes)
{
    VEKFile::MemoryBuffer buffer(bytes.data(), static_cast<unsigned int>(bytes.size()));
    return ASNVLongInt(buffer);
}

ASNVLongInt FromInt128(Int128 value) { return FromBytes(Canonical(value)); }

// Values around every byte boundary up to 64 bits, where carries and borrows change the length.
std::vector<Int128> BoundaryValues()
{
    std::vector<Int128> values{0, 1, -1, 2, -2, std::numeric_limits<std::int64_t>::min()};
    for (Int128 power = 128; power <= (Int128(1) << 64); power *= 2)
        for (const Int128 v : {power - 1, power, power + 1}) values.insert(values.end(), {v, -v});
    return values;
}

std::string Hex(const Bytes& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (const unsigned char b : bytes) text += {digits[b >> 4], digits[b & 15], ' '};
    return text;
}

// Every operation on one pair against 128-bit arithmetic; the operands keep their values.
void CheckPair(Int128 x, Int128 y)
{
    const ASNVLongInt a = FromInt128(x), b = FromInt128(y);
    SCOPED_TRACE(Hex(Canonical(x)) + "and " + Hex(Canonical(y)));
    EXPECT_EQ(BytesOf(a + b), Canonical(x + y));
    EXPECT_EQ(BytesOf(a - b), Canonical(x - y));
    EXPECT_EQ(BytesOf(a.Negate()), Canonical(-x));
    EXPECT_EQ(CompleteCompare(a.GetBuffer(), b.GetBuffer()), x < y ? -1 : x > y ? 1 : 0);
    EXPECT_EQ((std::vector<bool>{a == b, a != b, a < b, a <= b, a > b, a >= b}),
              (std::vector<bool>{x == y, x != y, x < y, x <= y, x > y, x >= y}));
    ASNVLongInt sum = a, difference = a;
    EXPECT_EQ(BytesOf(sum += b), Canonical(x + y));
    EXPECT_EQ(BytesOf(difference -= b), Canonical(x - y));
    EXPECT_EQ(BytesOf(a), Canonical(x));
    EXPECT_EQ(BytesOf(b), Canonical(y));
}

void CheckSteps(Int128 x)
{
    SCOPED_TRACE(Hex(Canonical(x)));
    ASNVLongInt value = FromInt128(x);
    EXPECT_EQ(BytesOf(++value), Canonical(x + 1));
    EXPECT_EQ(BytesOf(--value), Canonical(x));
    EXPECT_EQ(BytesOf(value++), Canonical(x));
    EXPECT_EQ(BytesOf(value--), Canonical(x + 1));
    EXPECT_EQ(BytesOf(value), Canonical(x));
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
    for (const Int128 v : BoundaryValues()) {
        if (v < std::numeric_limits<std::int64_t>::min() || v > std::numeric_limits<std::int64_t>::max()) continue;
        EXPECT_EQ(BytesOf(ASNVLongInt(static_cast<std::int64_t>(v))), Canonical(v)) << Hex(Canonical(v));
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
}

TEST(ASNVLongInt, ArithmeticAndComparisonMatch128BitArithmetic)
{
    const std::vector<Int128> values = BoundaryValues();
    for (const Int128 x : values) {
        CheckSteps(x);
        for (const Int128 y : values) CheckPair(x, y);
    }
    // Random lengths up to 15 bytes, so sums and differences stay inside 128 bits.
    std::mt19937_64 random(4711);
    const auto next = [&] {
        const Int128 magnitude = ((Int128(random()) << 64) | random()) & ((Int128(1) << (random() % 120)) - 1);
        return random() % 2 ? -magnitude : magnitude;
    };
    for (int i = 0; i < 1500; ++i) {
        const Int128 x = next();
        CheckPair(x, next());
        CheckPair(x, x);
        CheckSteps(x);
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

// Values of hundreds of bytes, of either sign and different lengths, obey the laws of arithmetic.
TEST(ASNVLongInt, LongValuesObeyTheLawsOfArithmetic)
{
    std::mt19937_64 random(1234);
    const auto randomValue = [&] {
        Bytes bytes(1 + random() % 600);
        for (auto& b : bytes) b = static_cast<unsigned char>(random());
        return FromBytes(bytes);
    };
    for (int round = 0; round < 40; ++round) {
        const ASNVLongInt a = randomValue(), b = randomValue();
        EXPECT_EQ(a + b, b + a);
        EXPECT_EQ((a + b) - b, a);
        EXPECT_EQ(a - b, (b - a).Negate());
        EXPECT_EQ(a + b.Negate(), a - b);
        EXPECT_EQ(CompleteCompare((a - b).GetBuffer(), ASNVLongInt().GetBuffer()),
                  CompleteCompare(a.GetBuffer(), b.GetBuffer()));
    }
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
