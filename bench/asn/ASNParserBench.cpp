// Decoding every certificate of the system store from memory, beside OpenSSL's generic decoder
// on the same bytes: d2i_ASN1_TYPE on each certificate (OpenSSL keeps a constructed value as
// its undecoded octets), and d2i_ASN1_TYPE on every value, descending into constructed ones, which
// builds a full tree as ours does.
#include <algorithm>
#include <cstdio>
#include <filesystem>
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

const std::vector<Der>& Certificates()
{
    static const std::vector<Der> certificates = [] {
        std::vector<std::filesystem::path> paths;
        if (std::filesystem::exists("/etc/ssl/certs"))
            for (const auto& entry : std::filesystem::directory_iterator("/etc/ssl/certs"))
                if (entry.path().extension() == ".pem") paths.push_back(entry.path());
        std::sort(paths.begin(), paths.end());
        std::vector<Der> result;
        for (const auto& path : paths) {
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
    }();
    return certificates;
}

// Values decoded per pass over the store, so the runs can be seen to build trees of one size.
void CountValues(benchmark::State& state, std::size_t values)
{
    state.counters["values"] = static_cast<double>(values);
}

std::size_t CountNodes(const VEKParser::BaseASNNode& node)
{
    std::size_t count = 1;
    if (const auto* constructed = dynamic_cast<const VEKParser::ConstructedASNNode*>(&node))
        for (const auto* child = constructed->Begin(); child != constructed->End(); ++child) count += CountNodes(**child);
    return count;
}

void Count(benchmark::State& state)
{
    std::int64_t bytes = 0;
    for (const Der& der : Certificates()) bytes += static_cast<std::int64_t>(der.size());
    state.SetBytesProcessed(state.iterations() * bytes);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(Certificates().size()));
}

void BM_ASNParseCertificates(benchmark::State& state)
{
    if (Certificates().empty()) state.SkipWithError("ca-certificates is not installed");
    std::vector<std::unique_ptr<VEKFile::MemoryBuffer>> buffers;
    for (const Der& der : Certificates())
        buffers.push_back(std::make_unique<VEKFile::MemoryBuffer>(der.data(), static_cast<unsigned int>(der.size())));
    VEKParser::ASNParser parser;
    std::size_t values = 0;
    for (const auto& buffer : buffers) {
        VEKParser::ASNTree tree;
        parser.Parse(*buffer, tree);
        // A wrapped value stands for two encoded values: the wrapper and the value inside.
        for (const auto* node = tree.Begin(); node != tree.End(); ++node) values += CountNodes(**node);
    }
    CountValues(state, values);
    for (auto _ : state) {
        for (const auto& buffer : buffers) {
            VEKParser::ASNTree tree;
            parser.Parse(*buffer, tree);
            benchmark::DoNotOptimize(tree.NumberOfNodes());
        }
    }
    Count(state);
}
BENCHMARK(BM_ASNParseCertificates);

void BM_OpenSSLd2iASN1Type(benchmark::State& state)
{
    if (Certificates().empty()) state.SkipWithError("ca-certificates is not installed");
    for (auto _ : state) {
        for (const Der& der : Certificates()) {
            const unsigned char* p = der.data();
            ASN1_TYPE* value = d2i_ASN1_TYPE(nullptr, &p, static_cast<long>(der.size()));
            benchmark::DoNotOptimize(value);
            ASN1_TYPE_free(value);
        }
    }
    Count(state);
}
BENCHMARK(BM_OpenSSLd2iASN1Type);

// Decodes the values in [p, end) and, for each constructed one, the values in its contents;
// every value stays in `values` until the whole certificate is decoded, as a tree's nodes do.
void DecodeAll(const unsigned char* p, const unsigned char* end, std::vector<ASN1_TYPE*>& values)
{
    while (p < end) {
        const unsigned char* start = p;
        ASN1_TYPE* value = d2i_ASN1_TYPE(nullptr, &p, end - p);
        if (!value) return;
        values.push_back(value);
        // Constructed values, context-specific ones included, keep their whole encoding as a
        // string; their contents follow the header.
        const bool whole = value->type == V_ASN1_SEQUENCE || value->type == V_ASN1_SET || value->type == V_ASN1_OTHER;
        const ASN1_STRING* encoding = whole ? value->value.asn1_string : nullptr;
        if (encoding && ASN1_STRING_length(encoding) > 0 && (ASN1_STRING_get0_data(encoding)[0] & V_ASN1_CONSTRUCTED)) {
            long length = 0;
            int tag = 0, cls = 0;
            const unsigned char* contents = ASN1_STRING_get0_data(encoding);
            ASN1_get_object(&contents, &length, &tag, &cls, ASN1_STRING_length(encoding));
            DecodeAll(contents, contents + length, values);
        }
        if (p == start) return;
    }
}

void BM_OpenSSLd2iASN1TypeTree(benchmark::State& state)
{
    if (Certificates().empty()) state.SkipWithError("ca-certificates is not installed");
    std::vector<ASN1_TYPE*> values;
    std::size_t count = 0;
    for (const Der& der : Certificates()) {
        DecodeAll(der.data(), der.data() + der.size(), values);
        count += values.size();
        for (ASN1_TYPE* value : values) ASN1_TYPE_free(value);
        values.clear();
    }
    CountValues(state, count);
    for (auto _ : state) {
        for (const Der& der : Certificates()) {
            DecodeAll(der.data(), der.data() + der.size(), values);
            for (ASN1_TYPE* value : values) ASN1_TYPE_free(value);
            values.clear();
        }
    }
    Count(state);
}
BENCHMARK(BM_OpenSSLd2iASN1TypeTree);

} // namespace
