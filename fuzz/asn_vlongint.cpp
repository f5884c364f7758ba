// Splits arbitrary bytes into two integers (the first byte says where) and checks that sums,
// differences, negations and comparisons agree with each other and stay canonical. Sums and
// differences take different paths by length and by where the result's buffer ends, so long
// inputs matter as much as short ones.
#include <cstdint>
#include <cstdlib>

#include <VEKParser/asn/ASNVLongInt.h>
#include <VEKParser/host/MemoryBuffer.h>

namespace {

using VEKParser::ASNVLongInt;

ASNVLongInt FromBytes(const std::uint8_t* data, std::size_t size)
{
    VEKFile::MemoryBuffer buffer(data, static_cast<unsigned int>(size));
    return ASNVLongInt(buffer);
}

void Require(bool condition)
{
    if (!condition) std::abort();
}

// -1, 0 or +1 from the bytes alone, which must be canonical: one sign byte, not repeated; zero is
// the single byte 00.
int SignOf(const ASNVLongInt& value)
{
    const unsigned char* bytes = value.GetBuffer().ContiguousData();
    const unsigned int size = value.GetBuffer().Size();
    Require(bytes && size > 0 && (bytes[0] == 0x00 || bytes[0] == 0xFF) && (size == 1 || bytes[1] != bytes[0]));
    return bytes[0] == 0xFF ? -1 : size > 1 ? 1 : 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    const std::size_t split = 1 + (size - 1) * data[0] / 255;
    const ASNVLongInt a = FromBytes(data + 1, split - 1);
    const ASNVLongInt b = FromBytes(data + split, size - split);
    const ASNVLongInt sum = a + b;
    const ASNVLongInt difference = a - b;
    Require(sum - b == a && difference + b == a && sum == b + a);
    Require(difference == (b - a).Negate() && a.Negate().Negate() == a);
    const int order = VEKParser::CompleteCompare(a.GetBuffer(), b.GetBuffer());
    Require(order == SignOf(difference) && order == -VEKParser::CompleteCompare(b.GetBuffer(), a.GetBuffer()));
    Require((a < b) == (order < 0) && (a <= b) == (order <= 0) && (a > b) == (order > 0) && (a >= b) == (order >= 0));
    const ASNVLongInt zero;
    Require((a == b) == (order == 0) && SignOf(sum) == VEKParser::CompleteCompare(sum.GetBuffer(), zero.GetBuffer()));
    return 0;
}
