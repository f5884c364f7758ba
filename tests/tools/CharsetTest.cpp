// How vekparse picks each document's charset: the command line, a byte-order mark, the meta
// charset, valid UTF-8, else 1252.
#include <gtest/gtest.h>

#include "Program.h"

namespace vektest {
namespace {

// "Привет" in windows-1251 and in KOI8-R.
const std::string PRIVET_1251 = "\xCF\xF0\xE8\xE2\xE5\xF2";
const std::string PRIVET_KOI8 = "\xF0\xD2\xC9\xD7\xC5\xD4";
const std::string PRIVET_UTF8 = "Привет";

struct Decoded {
    int charset = 0;
    std::string text;  // the first text element
    unsigned firstStart = 0;
};

Decoded Tokens(const std::string& path, std::vector<std::string> extra = {})
{
    std::vector<std::string> arguments{"tokens", "--json", "-q"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    arguments.push_back(path);
    const Result result = Vekparse(arguments);
    EXPECT_EQ(result.status, 0) << result.err;
    const std::vector<nlohmann::json> objects = JsonLines(result.out);
    if (objects.size() != 1) return {};
    Decoded decoded{objects[0]["charset"], {}, objects[0]["tokens"][0]["start"]};
    for (const nlohmann::json& token : objects[0]["tokens"])
        if (token["type"] == "text" && decoded.text.empty()) decoded.text = token["text"];
    return decoded;
}

TEST(Charset, MetaCharsetDecidesAndTheDocumentIsReadAgain)
{
    TempDir dir;
    const Decoded cyrillic = Tokens(dir.Write("1251.html", "<meta charset=\"windows-1251\"><p>" + PRIVET_1251));
    EXPECT_EQ(cyrillic.charset, 1251);
    EXPECT_EQ(cyrillic.text, PRIVET_UTF8);

    const Decoded koi8 = Tokens(dir.Write("koi8.html", "<META HTTP-EQUIV='Content-Type' CONTENT='text/html; "
                                                       "charset=KOI8-R'><p>" + PRIVET_KOI8));
    EXPECT_EQ(koi8.charset, 20866);
    EXPECT_EQ(koi8.text, PRIVET_UTF8);

    // As browsers read it: Latin-1 labels mean 1252, whose 0x80 is the euro sign.
    const Decoded latin1 = Tokens(dir.Write("latin1.html", "<meta charset=iso-8859-1><p>\x80"));
    EXPECT_EQ(latin1.charset, 1252);
    EXPECT_EQ(latin1.text, "€");

    // A name nobody knows leaves the guess from the bytes.
    EXPECT_EQ(Tokens(dir.Write("x.html", "<meta charset=x-unheard-of><p>é")).charset, 65001);
}

TEST(Charset, WithoutDeclarationValidUtf8ElseWindows1252)
{
    TempDir dir;
    const Decoded utf8 = Tokens(dir.Write("u.html", "<p>" + PRIVET_UTF8));
    EXPECT_EQ(utf8.charset, 65001);
    EXPECT_EQ(utf8.text, PRIVET_UTF8);
    // A surrogate encoded in UTF-8 is not valid UTF-8.
    for (const std::string& bytes : {std::string("<p>Gr\xFC\xDF"), std::string("<p>\xED\xA0\x80"), std::string("<p>\xC3")}) {
        const Decoded western = Tokens(dir.Write("w.html", bytes));
        EXPECT_EQ(western.charset, 1252);
    }
    EXPECT_EQ(Tokens(dir.Write("w.html", "<p>Gr\xFC\xDF")).text, "Grüß");
    EXPECT_EQ(Tokens(Sample("latin.html")).text, "Preis: 5 €");
}

TEST(Charset, ByteOrderMarksWinOverDeclarations)
{
    TempDir dir;
    const Decoded utf8 = Tokens(dir.Write("bom8.html", "\xEF\xBB\xBF<meta charset=windows-1251><p>" + PRIVET_UTF8));
    EXPECT_EQ(utf8.charset, 65001);
    EXPECT_EQ(utf8.firstStart, 3u);  // offsets stay offsets in the file
    EXPECT_EQ(utf8.text, PRIVET_UTF8);

    std::string little = "\xFF\xFE", big = "\xFE\xFF";
    for (const char c : std::string("<p>\xE9")) {
        little += {c, '\0'};
        big += {'\0', c};
    }
    const Decoded le = Tokens(dir.Write("le.html", little)), be = Tokens(dir.Write("be.html", big));
    EXPECT_EQ(le.charset, 1201);
    EXPECT_EQ(be.charset, 1210);
    EXPECT_EQ(le.text, "é");
    EXPECT_EQ(be.text, "é");
    EXPECT_EQ(le.firstStart, 2u);
}

TEST(Charset, CommandLineWinsByNameOrNumber)
{
    TempDir dir;
    const std::string page = dir.Write("p.html", "<meta charset=windows-1251><p>" + PRIVET_KOI8);
    EXPECT_EQ(Tokens(page, {"--charset", "KOI8-R"}).text, PRIVET_UTF8);
    EXPECT_EQ(Tokens(page, {"--charset", "20866"}).charset, 20866);
    EXPECT_EQ(Tokens(page, {"--charset", "cp1252"}).charset, 1252);
    EXPECT_EQ(Tokens(page, {"--charset", "ISO-8859-5"}).charset, 28595);
}

} // namespace
} // namespace vektest
