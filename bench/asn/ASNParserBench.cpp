// Decoding whole trees from memory, beside OpenSSL on the same bytes: every certificate of the
// system store, and certificate revocation lists made by bench/asn/make-crls (from a handful of
// entries to thousands). OpenSSL's tree walks constructed values with ASN1_get_object and
// decodes each primitive value with d2i_ASN1_TYPE, keeping every value until the whole
// encoding is decoded, as a tree's nodes are kept.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <openssl/asn1.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <VEKParser/asn/ASNParser.h>
#include <VEKParser/host/MemoryBuffer.h>

namespace {

using Der = std::vector<unsigned char>;

std::vector<std::filesystem::path> Files(const char* directory, const char* extension)
{
    std::vector<std::filesystem::path> paths;
    if (std::filesystem::exists(directory))
        for (const auto& entry : std::filesystem::directory_iterator(directory))
            if (entry.path().extension() == extension) paths.push_back(entry.path());
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::vector<Der> ReadCertificates()
{
    std::vector<Der> result;
    for (const auto& path : Files("/etc/ssl/certs", ".pem")) {
        std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "r"), std::fclose);
        X509* certificate = file ? PEM_read_X509(file.get(), nullptr, nullptr, nullptr) : nullptr;
        if (!certificate) continue;
        unsigned char* der = nullptr;
        const int size = i2d_X509(certificate, &der);
        if (size > 0) result.emplace_back(der, der + size);
        OPENSSL_free(der);
        X509_free(certificate);
    }
    return result;
}

std::vector<Der> ReadCrls()
{
    std::vector<Der> result;
    for (const auto& path : Files(VEK_CRL_DIR, ".der")) {
        std::ifstream file(path, std::ios::binary);
        result.emplace_back(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    return result;
}

const std::vector<Der>& Corpus(bool crls)
{
    static const std::vector<Der> certificates = ReadCertificates();
    static const std::vector<Der> lists = ReadCrls();
    return crls ? lists : certificates;
}

std::size_t CountNodes(const VEKParser::BaseASNNode& node)
{
    std::size_t count = 1;
    if (const auto* constructed = dynamic_cast<const VEKParser::ConstructedASNNode*>(&node))
        for (const auto* child = constructed->Begin(); child != constructed->End(); ++child) count += CountNodes(**child);
    return count;
}

// Bytes and encodings per pass, and the values decoded per pass, so the runs can be seen to
// build trees of one size.
void Count(benchmark::State& state, const std::vector<Der>& corpus, std::size_t values)
{
    std::int64_t bytes = 0;
    for (const Der& der : corpus) bytes += static_cast<std::int64_t>(der.size());
    state.SetBytesProcessed(state.iterations() * bytes);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(corpus.size()));
    state.counters["values"] = static_cast<double>(values);
}

void ParseAll(benchmark::State& state, bool crls)
{
    const std::vector<Der>& corpus = Corpus(crls);
    if (corpus.empty()) state.SkipWithError(crls ? "no CRLs: run bench/asn/make-crls" : "ca-certificates is not installed");
    std::vector<std::unique_ptr<VEKFile::MemoryBuffer>> buffers;
    for (const Der& der : corpus)
        buffers.push_back(std::make_unique<VEKFile::MemoryBuffer>(der.data(), static_cast<unsigned int>(der.size())));
    VEKParser::ASNParser parser;
    std::size_t values = 0;
    for (const auto& buffer : buffers) {
        VEKParser::ASNTree tree;
        parser.Parse(*buffer, tree);
        // A wrapped value stands for two encoded values: the wrapper and the value inside.
        for (const auto* node = tree.Begin(); node != tree.End(); ++node) values += CountNodes(**node);
    }
    for (auto _ : state) {
        for (const auto& buffer : buffers) {
            VEKParser::ASNTree tree;
            parser.Parse(*buffer, tree);
            benchmark::DoNotOptimize(tree.NumberOfNodes());
        }
    }
    Count(state, corpus, values);
}

// Walks the values in [p, end): into the contents of constructed ones, d2i_ASN1_TYPE on the
// others; every decoded value stays in `values`.
void DecodeAll(const unsigned char* p, const unsigned char* end, std::vector<ASN1_TYPE*>& values)
{
    while (p < end) {
        const unsigned char* contents = p;
        long length = 0;
        int tag = 0;
        int cls = 0;
        const int kind = ASN1_get_object(&contents, &length, &tag, &cls, end - p);
        if (kind & 0x80) return;
        if (kind & V_ASN1_CONSTRUCTED) {
            DecodeAll(contents, contents + length, values);
            p = contents + length;
            continue;
        }
        ASN1_TYPE* value = d2i_ASN1_TYPE(nullptr, &p, end - p);
        if (!value) return;
        values.push_back(value);
    }
}

void OpenSSLParseAll(benchmark::State& state, bool crls)
{
    const std::vector<Der>& corpus = Corpus(crls);
    if (corpus.empty()) state.SkipWithError(crls ? "no CRLs: run bench/asn/make-crls" : "ca-certificates is not installed");
    std::vector<ASN1_TYPE*> values;
    std::size_t count = 0;
    for (auto _ : state) {
        count = 0;
        for (const Der& der : corpus) {
            DecodeAll(der.data(), der.data() + der.size(), values);
            count += values.size();
            for (ASN1_TYPE* value : values) ASN1_TYPE_free(value);
            values.clear();
        }
    }
    Count(state, corpus, count);
}

void BM_ASNParseCertificates(benchmark::State& state) { ParseAll(state, false); }
void BM_ASNParseCrls(benchmark::State& state) { ParseAll(state, true); }
void BM_OpenSSLTreeCertificates(benchmark::State& state) { OpenSSLParseAll(state, false); }
void BM_OpenSSLTreeCrls(benchmark::State& state) { OpenSSLParseAll(state, true); }

BENCHMARK(BM_ASNParseCertificates);
BENCHMARK(BM_OpenSSLTreeCertificates);
BENCHMARK(BM_ASNParseCrls);
BENCHMARK(BM_OpenSSLTreeCrls);

} // namespace
