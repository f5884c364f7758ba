// How vekparse picks each document's charset: the command line, a byte-order mark, the meta
// charset, valid UTF-8, else 1252.
#include <gtest/gtest.h>

#include "Program.h"

namespace vektest {
namespace {

// "Привет" in windows-1251 and in KOI8-R.
const std::string PRIVET_1251 = "\xCF\xF0\xE8\xE2\xE5\xF2";
const std::string PRIVET_KOI8 = "\xF0\xD2\xC9\xD7\xC5\xD4";
const std::string PRIVET = "Привет";

// `text` in 16-bit units after their byte-order mark.
std::string Sixteen(const std::string& text, bool big)
{
    std::string bytes = big ? "\xFE\xFF" : "\xFF\xFE";
    for (const char c : text) bytes += big ? std::string{'\0', c} : std::string{c, '\0'};
    return bytes;
}

struct Case {
    std::string bytes;
    std::vector<std::string> options;
    int charset;
    std::string text;  // the first text element, in UTF-8
    unsigned firstStart = 0;
};

TEST(Charset, EachDocumentIsReadInTheCharsetItsSourcesChoose)
{
    const std::string koi8Declared = "<meta charset=windows-1251><p>" + PRIVET_KOI8;
    const Case cases[] = {
        // The meta charset decides and the document is read again.
        {"<meta charset=\"windows-1251\"><p>" + PRIVET_1251, {}, 1251, PRIVET},
        {"<META HTTP-EQUIV='Content-Type' CONTENT='text/html; charset=KOI8-R'><p>" + PRIVET_KOI8, {}, 20866, PRIVET},
        // As browsers read it: Latin-1 labels mean 1252, whose 0x80 is the euro sign.
        {"<meta charset=iso-8859-1><p>\x80", {}, 1252, "€"},
        // A name nobody knows leaves the guess from the bytes.
        {"<meta charset=x-unheard-of><p>é", {}, 65001, "é"},
        // Without a declaration: valid UTF-8, else 1252; a surrogate encoded in UTF-8 is not valid.
        {"<p>" + PRIVET, {}, 65001, PRIVET},
        {"<p>Gr\xFC\xDF", {}, 1252, "Grüß"},
        {"<p>\xED\xA0\x80", {}, 1252, "í\u00A0€"},
        {"<p>\xC3", {}, 1252, "Ã"},
        {ReadFile(Sample("latin.html")), {}, 1252, "Preis: 5 €"},
        // Byte-order marks win over declarations; offsets stay offsets in the file.
        {"\xEF\xBB\xBF<meta charset=windows-1251><p>" + PRIVET, {}, 65001, PRIVET, 3},
        {Sixteen("<p>\xE9", false), {}, 1201, "é", 2},
        {Sixteen("<p>\xE9", true), {}, 1210, "é", 2},
        // The command line wins, by name or number.
        {koi8Declared, {"--charset", "KOI8-R"}, 20866, PRIVET},
        {koi8Declared, {"--charset", "20866"}, 20866, PRIVET},
        {koi8Declared, {"--charset", "cp1252"}, 1252, "ðÒÉ×ÅÔ"},
        {koi8Declared, {"--charset", "ISO-8859-5"}, 28595, "№вЩзХд"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        std::vector<std::string> arguments{"tokens"};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const std::vector<nlohmann::json> objects = JsonPerFile(arguments, {dir.Write("page.html", c.bytes)});
        ASSERT_EQ(objects.size(), 1u);
        EXPECT_EQ(objects[0]["charset"], c.charset);
        EXPECT_EQ(objects[0]["tokens"][0]["start"], c.firstStart);
        std::string text;
        for (const nlohmann::json& token : objects[0]["tokens"])
            if (token["type"] == "text" && text.empty()) text = token["text"];
        EXPECT_EQ(text, c.text);
    }
}

} // namespace
} // namespace vektest
