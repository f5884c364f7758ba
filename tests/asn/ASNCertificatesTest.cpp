// Every certificate of the system store, converted to DER by openssl, decoded and compared node
// by node with `openssl asn1parse`: offsets, depths, header and contents lengths, tags, and the
// values of object identifiers, integers, strings, times and octet strings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <openssl/objects.h>
#include <unistd.h>

#include <VEKParser/asn/ASNParser.h>
#include <VEKParser/asn/ASNTreePrinter.h>
#include <VEKParser/host/MemoryBuffer.h>

#include "tests/Support.h"
#include "tests/asn/ParseBytes.h"
#include "tests/host/ChunkedStream.h"

using namespace VEKParser;

namespace {

std::string Run(const std::string& command) { return test_support::Run(command).text; }

struct Certificate {
    std::string m_sName;
    std::string m_sDer;
    std::string m_sAsn1Parse;
};

// The PEM files of the store, each once, converted at test time.
const std::vector<Certificate>& Certificates()
{
    static const std::vector<Certificate> certificates = [] {
        std::vector<std::filesystem::path> paths;
        for (const auto& entry : std::filesystem::directory_iterator("/etc/ssl/certs"))
            if (entry.path().extension() == ".pem") paths.push_back(entry.path());
        std::sort(paths.begin(), paths.end());
        // One file per process: ctest runs the tests of this program side by side.
        const std::filesystem::path der =
            std::filesystem::temp_directory_path() / ("vek_asn_certificate_" + std::to_string(getpid()) + ".der");
        std::vector<Certificate> result;
        for (const auto& path : paths) {
            if (!Run("openssl x509 -in '" + path.string() + "' -outform der -out '" + der.string() + "' && echo ok")
                     .starts_with("ok"))
                continue;
            result.push_back({path.filename().string(), test_support::ReadFile(der.string()), Run("openssl asn1parse -inform DER -in '" + der.string() + "'")});
        }
        std::filesystem::remove(der);
        return result;
    }();
    return certificates;
}

std::string Hex(const unsigned char* bytes, std::size_t count)
{
    std::string text;
    char digits[3];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(digits, sizeof digits, "%02X", bytes[i]);
        text += digits;
    }
    return text;
}

// asn1parse's integer text: '-' for negatives, then the magnitude in hexadecimal.
std::string IntegerText(std::int64_t value)
{
    const std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    char digits[20];
    std::snprintf(digits, sizeof digits, "%02llX", static_cast<unsigned long long>(magnitude));
    std::string text = digits;
    if (text.size() % 2) text.insert(0, "0");
    return (value < 0 ? "-" : "") + text;
}

std::string BigIntegerText(const ASNVLongInt& value)
{
    const bool negative = value.GetBuffer().ContiguousData()[0] & 0x80;
    const ASNVLongInt magnitude = negative ? value.Negate() : value;
    const unsigned char* bytes = magnitude.GetBuffer().ContiguousData();
    std::size_t count = magnitude.GetBuffer().Size();
    while (count > 1 && bytes[0] == 0) ++bytes, --count;
    return (negative ? "-" : "") + Hex(bytes, count);
}

// What openssl calls the object identifier: its short or long name when it has one, else the
// dotted form.
std::string ObjectText(const std::vector<int>& arcs)
{
    std::string dotted;
    for (std::size_t i = 0; i < arcs.size(); ++i) dotted += (i ? "." : "") + std::to_string(arcs[i]);
    ASN1_OBJECT* object = OBJ_txt2obj(dotted.c_str(), 1);
    if (!object) return dotted;
    char text[256];
    OBJ_obj2txt(text, sizeof text, object, 0);
    ASN1_OBJECT_free(object);
    return text;
}

// asn1parse's names of the universal tags the store uses.
const std::map<int, std::string> UNIVERSAL_NAMES = {
    {1, "BOOLEAN"},         {2, "INTEGER"},     {3, "BIT STRING"},      {4, "OCTET STRING"},  {5, "NULL"},
    {6, "OBJECT"},          {10, "ENUMERATED"}, {12, "UTF8STRING"},     {16, "SEQUENCE"},     {17, "SET"},
    {18, "NUMERICSTRING"},  {19, "PRINTABLESTRING"}, {20, "T61STRING"}, {22, "IA5STRING"},    {23, "UTCTIME"},
    {24, "GENERALIZEDTIME"}, {26, "VISIBLESTRING"}, {28, "UNIVERSALSTRING"}, {30, "BMPSTRING"},
};

std::string TagText(const ASNHeader& header)
{
    static const char* const CLASSES[] = {"univ", "appl", "cont", "priv"};
    if (header.m_nClass == 0 && UNIVERSAL_NAMES.count(header.m_nTagNumber)) return UNIVERSAL_NAMES.at(header.m_nTagNumber);
    return std::string(CLASSES[header.m_nClass & 3]) + " [ " + std::to_string(header.m_nTagNumber) + " ]";
}

std::string LengthText(std::int64_t length) { return length == ASNHeader::INDEFINITE ? "inf" : std::to_string(length); }

// The value as asn1parse shows it, or empty where it shows none.
std::string ValueText(const BaseASNNode& node)
{
    const VEK::SmartPtr<BaseASNNode> handle(const_cast<BaseASNNode*>(&node));
    switch (node.GetValueType()) {
    case ObjectIdentifier: return ObjectText(ValueOf<std::vector<int>>(handle));
    case Integer: return IntegerText(ValueOf<std::int64_t>(handle));
    case BigInteger: return BigIntegerText(ValueOf<ASNVLongInt>(handle));
    case Boolean: return ValueOf<bool>(handle) ? "255" : "0";
    case Time: return dynamic_cast<const ASNTimeNode&>(node).GetWrittenText();
    case WideString:
        // asn1parse writes the contents as they stand, which matches for ASCII and UTF-8 only.
        return node.GetHeader().m_nTagNumber == 12 || node.GetHeader().m_nTagNumber == 19 ||
                       node.GetHeader().m_nTagNumber == 22
                   ? VEK::ToUtf8(ValueOf<VEK::WString>(handle))
                   : "";
    case OctetString: {
        const std::string octets = ValueOf<std::string>(handle);
        return "[HEX DUMP]:" + Hex(reinterpret_cast<const unsigned char*>(octets.data()), octets.size());
    }
    default: return "";
    }
}

std::string Line(std::uint32_t offset, std::size_t depth, std::uint32_t headerLength, std::int64_t length,
                 bool constructed, const std::string& tag, const std::string& value)
{
    return std::to_string(offset) + " d=" + std::to_string(depth) + " hl=" + std::to_string(headerLength) + " l=" +
           LengthText(length) + (constructed ? " cons " : " prim ") + tag + (value.empty() ? "" : " :" + value);
}

// One line per encoded value, as asn1parse lists them: a context-specific wrapper gets a line of
// its own above the value it holds.
void Describe(const BaseASNNode& node, std::size_t depth, std::vector<std::string>& lines)
{
    if (node.GetTag() != -1) {
        const ASNHeader& wrapper = node.GetWrapperHeader();
        lines.push_back(Line(wrapper.m_uOffset, depth++, wrapper.m_uHeaderLength, wrapper.m_nLength,
                             wrapper.m_bConstructed, TagText(wrapper), ""));
    }
    const ASNHeader& header = node.GetHeader();
    lines.push_back(Line(header.m_uOffset, depth, header.m_uHeaderLength, header.m_nLength, header.m_bConstructed,
                         TagText(header), node.IsPrimitive() ? ValueText(node) : ""));
    if (const auto* constructed = dynamic_cast<const ConstructedASNNode*>(&node))
        for (const auto* child = constructed->Begin(); child != constructed->End(); ++child)
            Describe(**child, depth + 1, lines);
}

// asn1parse's lines in the same form. Values of types whose text is not compared are dropped.
std::vector<std::string> OpensslLines(const std::string& output)
{
    static const std::regex LINE(R"(^\s*(\d+):d=(\d+)\s+hl=(\d+)\s+l=\s*(\d+|inf)\s+(cons|prim):\s+(.*?)\s*(?::(.*))?$)");
    static const std::vector<std::string> COMPARED = {"OBJECT",     "INTEGER",   "BOOLEAN",         "UTCTIME",
                                                      "GENERALIZEDTIME", "UTF8STRING", "PRINTABLESTRING", "IA5STRING",
                                                      "OCTET STRING"};
    std::vector<std::string> lines;
    std::istringstream in(output);
    for (std::string text; std::getline(in, text);) {
        std::smatch m;
        if (!std::regex_match(text, m, LINE)) {
            lines.push_back("unreadable: " + text);
            continue;
        }
        std::string tag = m[6];
        std::string value = m[7];
        if (tag == "OCTET STRING      [HEX DUMP]") tag = "OCTET STRING", value = "[HEX DUMP]:" + value;
        if (std::find(COMPARED.begin(), COMPARED.end(), tag) == COMPARED.end()) value.clear();
        lines.push_back(m[1].str() + " d=" + m[2].str() + " hl=" + m[3].str() + " l=" + m[4].str() + " " + m[5].str() +
                        " " + tag + (value.empty() ? "" : " :" + value));
    }
    return lines;
}

std::vector<std::string> OurLines(const ASNTree& tree)
{
    std::vector<std::string> lines;
    for (const auto* node = tree.Begin(); node != tree.End(); ++node) Describe(**node, 0, lines);
    return lines;
}

std::string Printed(const ASNTree& tree)
{
    std::ostringstream out;
    PrintASNTree(tree, out);
    return out.str();
}

void ParseInPlace(const std::string& bytes, ASNTree& tree)
{
    VEKFile::MemoryBuffer buffer(bytes.data(), static_cast<unsigned int>(bytes.size()));
    ASNParser().Parse(buffer, tree);
}

} // namespace

TEST(ASNCertificatesTest, EveryStoreCertificateMatchesOpensslAsn1parse)
{
    ASSERT_GT(Certificates().size(), 50u) << "ca-certificates is not installed";
    for (const Certificate& certificate : Certificates()) {
        ASNTree tree;
        ParseInPlace(certificate.m_sDer, tree);
        ASSERT_EQ(tree.NumberOfNodes(), 1u) << certificate.m_sName;
        EXPECT_EQ(OurLines(tree), OpensslLines(certificate.m_sAsn1Parse)) << certificate.m_sName;
    }
}

// The whole store as one stream, in memory and read piecemeal through the scanner's window.
TEST(ASNCertificatesTest, TheWholeStoreAsOneStreamInAnyChunking)
{
    std::string all;
    for (const Certificate& certificate : Certificates()) all += certificate.m_sDer;
    ASNTree tree;
    ParseInPlace(all, tree);
    ASSERT_EQ(tree.NumberOfNodes(), Certificates().size());
    std::uint32_t offset = 0;
    for (std::size_t i = 0; i < Certificates().size(); ++i) {
        const ASNHeader& header = tree.GetNode(static_cast<unsigned int>(i))->GetHeader();
        const auto size = static_cast<std::uint32_t>(Certificates()[i].m_sDer.size());
        EXPECT_EQ(header.m_uOffset, offset);
        EXPECT_EQ(header.m_uHeaderLength + header.m_nLength, size);
        offset += size;
    }
    for (unsigned int chunk : {1u, 7u, 4096u, 5000u}) {
        ChunkedStream chunked(all, chunk);
        ASNTree piecemeal;
        ASNParser().Parse(chunked, piecemeal);
        EXPECT_EQ(Printed(piecemeal), Printed(tree)) << chunk;
    }
}
