// vekparse asn1: PEM blocks and DER files as `openssl asn1parse` sees them (the library's own
// decoding is compared with asn1parse on the whole store by the certificate tests), values,
// and failures amid good input.
#include <algorithm>
#include <map>
#include <regex>
#include <tuple>

#include <gtest/gtest.h>

#include "Program.h"

namespace vektest {
namespace {

// offset, depth, header length, contents length, constructed
using Line = std::tuple<unsigned, unsigned, unsigned, unsigned, bool>;

// asn1parse shows a context-specific wrapper as a line of its own; the decoded tree folds it
// into the value it wraps, which then stands one level higher.
std::vector<Line> Asn1parse(const std::string& path, const std::string& form)
{
    static const std::regex LINE(R"(\s*(\d+):d=\s*(\d+)\s+hl=\s*(\d+)\s+l=\s*(\d+)\s+(prim|cons):\s+(.*))");
    std::vector<Line> lines;
    std::map<unsigned, bool> wrapperAt;  // whether the last line at each depth was a wrapper
    for (const std::string& text : Lines(Shell("openssl asn1parse -inform " + form + " -in '" + path + "'"))) {
        std::smatch m;
        if (!std::regex_match(text, m, LINE)) {
            ADD_FAILURE() << text;
            continue;
        }
        const auto depth = static_cast<unsigned>(std::stoul(m[2]));
        const bool constructed = m[5] == "cons";
        wrapperAt[depth] = constructed && m[6].str().starts_with("cont [");
        if (wrapperAt[depth]) continue;
        unsigned folded = 0;
        for (unsigned d = 0; d < depth; ++d) folded += wrapperAt[d];
        lines.emplace_back(std::stoul(m[1]), depth - folded, std::stoul(m[3]), std::stoul(m[4]), constructed);
    }
    return lines;
}

std::vector<Line> Decoded(const nlohmann::json& nodes)
{
    std::vector<Line> lines;
    for (const nlohmann::json& node : nodes)
        lines.emplace_back(node["offset"], node["depth"], node["header_length"], node["length"], node["constructed"]);
    return lines;
}

TEST(Asn1, EveryBlockOfAPemFileAndADerFileHaveTheStructureOpensslSees)
{
    const std::string pem = ReadFile(Sample("certificates.pem"));
    const std::vector<nlohmann::json> objects =
        JsonPerFile({"asn1"}, {Sample("certificates.pem"), Sample("sample-cert.der")});
    ASSERT_EQ(objects.size(), 2u);
    const nlohmann::json& blocks = objects[0]["blocks"];
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[1]["label"], "CERTIFICATE");
    TempDir dir;
    const std::size_t second = pem.find("-----BEGIN", pem.find("-----END"));
    EXPECT_EQ(Decoded(blocks[0]["nodes"]), Asn1parse(dir.Write("1.pem", pem.substr(0, second)), "PEM"));
    EXPECT_EQ(Decoded(blocks[1]["nodes"]), Asn1parse(dir.Write("2.pem", pem.substr(second)), "PEM"));
    EXPECT_EQ(Decoded(objects[1]["nodes"]), Asn1parse(Sample("sample-cert.der"), "DER"));
}

TEST(Asn1, ValuesOfTheSampleCertificate)
{
    const Result readable = Vekparse({"asn1", "-q", Sample("certificates.pem")});
    ASSERT_EQ(readable.status, 0) << readable.err;
    const std::vector<std::string> lines = Lines(readable.out);
    ASSERT_GT(lines.size(), 3u);
    EXPECT_EQ(lines[0], "PEM block 1 of 2: CERTIFICATE");
    EXPECT_EQ(lines[1], "0:d=0 hl=4 l=939 cons: SEQUENCE");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "PEM block 2 of 2: CERTIFICATE"), 1);

    const nlohmann::json der = JsonLines(Vekparse({"asn1", "--json", "-q", Sample("sample-cert.der")}).out).at(0);
    std::map<std::string, nlohmann::json> values;  // type -> first value of that type
    for (const nlohmann::json& node : der["nodes"])
        if (node.contains("value") && !values.count(node["type"])) values[node["type"]] = node["value"];
    EXPECT_EQ(values["Integer"], 2);  // the version, below its context-specific tag
    EXPECT_EQ(values["BigInteger"], "0x3CC5C4D0458497BDDE5CB5271E95EC07014FA341");
    EXPECT_EQ(values["ObjectIdentifier"], "1.2.840.113549.1.1.11");
    EXPECT_EQ(values["WideString"], "DE");
    EXPECT_EQ(values["Time"], "261206143549Z");
    EXPECT_EQ(values["Boolean"], true);
}

// Encapsulated headers of old PEM stand before the base64 up to a blank line and change nothing
// in what it holds; an encrypted block (as openssl writes a traditional key) cannot be decoded.
TEST(Asn1, PemHeadersAreSkippedAndEncryptedBlocksReported)
{
    const std::string pem = ReadFile(Sample("certificates.pem"));
    const std::size_t body = pem.find('\n', pem.find("-----BEGIN")) + 1, end = pem.find('\n', pem.find("-----END")) + 1;
    auto withHeaders = [&](const std::string& headers, const std::string& newline) {
        return std::regex_replace(pem.substr(0, body) + headers + pem.substr(body, end - body), std::regex("\n"), newline);
    };
    TempDir dir;
    const std::vector<std::string> variants = {
        dir.Write("plain.pem", pem.substr(0, end)),
        dir.Write("two.pem", withHeaders("Proc-Type: 4,MIC-CLEAR\nContent-Domain: RFC822\n\n", "\n")),
        dir.Write("folded.pem", withHeaders("Comment: a header\n  folded over two lines\n\n", "\n")),
        dir.Write("crlf.pem", withHeaders("Proc-Type: 4,MIC-CLEAR\n \t\n", "\r\n"))};
    const std::vector<nlohmann::json> objects = JsonPerFile({"asn1"}, variants);
    for (std::size_t i = 1; i < objects.size(); ++i) EXPECT_EQ(objects[i]["blocks"], objects[0]["blocks"]) << variants[i];

    const std::string key = dir.Write("key.pem", Shell("openssl genrsa 1024 2>/dev/null | openssl rsa -aes128 -traditional "
                                                       "-passout pass:x 2>/dev/null"));
    ASSERT_NE(ReadFile(key).find("DEK-Info: "), std::string::npos);
    const Result encrypted = Vekparse({"asn1", "-q", key});
    EXPECT_EQ(encrypted.status, 1);
    EXPECT_EQ(encrypted.err, "vekparse: " + key + ": PEM block 'RSA PRIVATE KEY' is encrypted\n");
}

TEST(Asn1, BrokenInputIsReportedAndTheBatchGoesOn)
{
    TempDir dir;
    const std::string der = ReadFile(Sample("sample-cert.der"));
    const std::string cut = dir.Write("cut.der", der.substr(0, der.size() / 2));
    const std::string stray = dir.Write("stray.der", std::string("\0\0", 2));
    const std::string pem = dir.Write("bad.pem", "-----BEGIN CERTIFICATE-----\nMII*\n-----END CERTIFICATE-----\n");
    const std::string open = dir.Write("open.pem", "-----BEGIN CERTIFICATE-----\nMIIB\n");
    const Result result = Vekparse({"asn1", "-q", cut, stray, Sample("sample-cert.der"), pem, open});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "vekparse: " + cut + ": BER data ends inside a value\n"
                          "vekparse: " + stray + ": end-of-contents octets outside an indefinite-length value\n"
                          "vekparse: " + pem + ": PEM block CERTIFICATE holds a character that is not base64\n"
                          "vekparse: " + open + ": PEM block CERTIFICATE has no END line\n");
    EXPECT_NE(result.out.find("0:d=0 hl=4 l=939 cons: SEQUENCE"), std::string::npos);
}

} // namespace
} // namespace vektest
