// Integers of certificate sizes (a serial number, an RSA modulus) and beyond: construction from
// INTEGER contents, addition, subtraction and comparison, beside OpenSSL's BIGNUM doing the same
// on the same bytes as the yardstick, and GMP's mpz for addition and subtraction.
#include <random>
#include <vector>

#include <benchmark/benchmark.h>
#include <gmp.h>
#include <openssl/bn.h>

#include <VEKParser/asn/ASNVLongInt.h>
#include <VEKParser/host/MemoryBuffer.h>

namespace {

using VEKParser::ASNVLongInt;

// Positive contents as DER writes them: no leading zero, top bit clear.
std::vector<unsigned char> Contents(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<unsigned char> bytes(size);
    for (auto& b : bytes) b = static_cast<unsigned char>(random());
    bytes[0] = static_cast<unsigned char>(1 + bytes[0] % 0x7F);
    return bytes;
}

ASNVLongInt FromContents(const std::vector<unsigned char>& bytes)
{
    VEKFile::MemoryBuffer buffer(bytes.data(), static_cast<unsigned int>(bytes.size()));
    return ASNVLongInt(buffer);
}

BIGNUM* BigNum(const std::vector<unsigned char>& bytes)
{
    return BN_bin2bn(bytes.data(), static_cast<int>(bytes.size()), nullptr);
}

void SetBytes(benchmark::State& state, std::size_t perIteration)
{
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * perIteration));
}

void BM_Construct(benchmark::State& state)
{
    const auto contents = Contents(static_cast<std::size_t>(state.range(0)), 1);
    VEKFile::MemoryBuffer source(contents.data(), static_cast<unsigned int>(contents.size()));
    for (auto _ : state) {
        source.SeekG(0);
        ASNVLongInt value(source);
        benchmark::DoNotOptimize(value);
    }
    SetBytes(state, contents.size());
}

void BM_OpenSSLConstruct(benchmark::State& state)
{
    const auto contents = Contents(static_cast<std::size_t>(state.range(0)), 1);
    for (auto _ : state) {
        BIGNUM* value = BigNum(contents);
        benchmark::DoNotOptimize(value);
        BN_free(value);
    }
    SetBytes(state, contents.size());
}

ASNVLongInt Add(const ASNVLongInt& a, const ASNVLongInt& b) { return a + b; }
ASNVLongInt Subtract(const ASNVLongInt& a, const ASNVLongInt& b) { return a - b; }

template <ASNVLongInt (*Operation)(const ASNVLongInt&, const ASNVLongInt&)>
void BM_Arithmetic(benchmark::State& state)
{
    const auto size = static_cast<std::size_t>(state.range(0));
    const ASNVLongInt a = FromContents(Contents(size, 2));
    const ASNVLongInt b = FromContents(Contents(size, 3));
    for (auto _ : state) {
        ASNVLongInt result = Operation(b, a);
        benchmark::DoNotOptimize(result);
    }
    SetBytes(state, size);
}

// The peers' integers, made from contents or empty for a result, and freed with their holder.
struct BigNumValue {
    BIGNUM* m_p;
    BigNumValue() : m_p(BN_new()) {}
    explicit BigNumValue(const std::vector<unsigned char>& bytes) : m_p(BigNum(bytes)) {}
    ~BigNumValue() { BN_free(m_p); }
    BigNumValue(const BigNumValue&) = delete;
    BigNumValue& operator=(const BigNumValue&) = delete;
    BIGNUM* Get() { return m_p; }
};

struct GmpValue {
    mpz_t m_Value;
    GmpValue() { mpz_init(m_Value); }
    explicit GmpValue(const std::vector<unsigned char>& bytes) : GmpValue()
    {
        mpz_import(m_Value, bytes.size(), 1, 1, 1, 0, bytes.data());
    }
    ~GmpValue() { mpz_clear(m_Value); }
    GmpValue(const GmpValue&) = delete;
    GmpValue& operator=(const GmpValue&) = delete;
    mpz_ptr Get() { return m_Value; }
};

template <class Value, auto Operation>
void BM_PeerArithmetic(benchmark::State& state)
{
    const auto size = static_cast<std::size_t>(state.range(0));
    Value a(Contents(size, 2));
    Value b(Contents(size, 3));
    for (auto _ : state) {
        // A fresh result each time, as every ASNVLongInt result is a new value.
        Value result;
        Operation(result.Get(), b.Get(), a.Get());
        benchmark::DoNotOptimize(result.Get());
    }
    SetBytes(state, size);
}

// Equal except in the last byte, the longest comparison of two values of one length.
void BM_Compare(benchmark::State& state)
{
    const auto size = static_cast<std::size_t>(state.range(0));
    auto contents = Contents(size, 4);
    const ASNVLongInt a = FromContents(contents);
    contents.back() ^= 1;
    const ASNVLongInt b = FromContents(contents);
    for (auto _ : state) benchmark::DoNotOptimize(a < b);
    SetBytes(state, size);
}

void BM_OpenSSLCompare(benchmark::State& state)
{
    const auto size = static_cast<std::size_t>(state.range(0));
    auto contents = Contents(size, 4);
    BIGNUM* a = BigNum(contents);
    contents.back() ^= 1;
    BIGNUM* b = BigNum(contents);
    for (auto _ : state) benchmark::DoNotOptimize(BN_cmp(a, b) < 0);
    BN_free(a);
    BN_free(b);
    SetBytes(state, size);
}

// 9 bytes is the shortest contents the parser makes an ASNVLongInt of; 20 a serial number,
// 257 a 2048-bit modulus.
void Sizes(benchmark::internal::Benchmark* benchmark)
{
    for (const int size : {9, 20, 257, 4096}) benchmark->Arg(size);
}

BENCHMARK(BM_Construct)->Apply(Sizes);
BENCHMARK(BM_OpenSSLConstruct)->Apply(Sizes);
BENCHMARK(BM_Arithmetic<Add>)->Name("BM_Add")->Apply(Sizes);
BENCHMARK(BM_PeerArithmetic<BigNumValue, BN_add>)->Name("BM_OpenSSLAdd")->Apply(Sizes);
BENCHMARK(BM_PeerArithmetic<GmpValue, mpz_add>)->Name("BM_GmpAdd")->Apply(Sizes);
BENCHMARK(BM_Arithmetic<Subtract>)->Name("BM_Subtract")->Apply(Sizes);
BENCHMARK(BM_PeerArithmetic<BigNumValue, BN_sub>)->Name("BM_OpenSSLSubtract")->Apply(Sizes);
BENCHMARK(BM_PeerArithmetic<GmpValue, mpz_sub>)->Name("BM_GmpSubtract")->Apply(Sizes);
BENCHMARK(BM_Compare)->Apply(Sizes);
BENCHMARK(BM_OpenSSLCompare)->Apply(Sizes);

} // namespace
