// How vekparse picks each document's charset: the command line, a byte-order mark, the HTTP
// header, the meta charset, valid UTF-8, the detector, else 1252.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "Charsets.h"
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
    std::string source;
    unsigned firstStart = 0;
};

TEST(Charset, EachDocumentIsReadInTheCharsetItsSourcesChoose)
{
    const std::string koi8Declared = "<meta charset=windows-1251><p>" + PRIVET_KOI8;
    const Case cases[] = {
        // The meta charset decides and the document is read again.
        {"<meta charset=\"windows-1251\"><p>" + PRIVET_1251, {}, 1251, PRIVET, "meta"},
        {"<META HTTP-EQUIV='Content-Type' CONTENT='text/html; charset=KOI8-R'><p>" + PRIVET_KOI8, {}, 20866, PRIVET, "meta"},
        // As browsers read it: Latin-1 labels mean 1252, whose 0x80 is the euro sign.
        {"<meta charset=iso-8859-1><p>\x80", {}, 1252, "€", "meta"},
        // A name nobody knows leaves the guess from the bytes.
        {"<meta charset=x-unheard-of><p>é", {}, 65001, "é", "utf8"},
        // Without a declaration: valid UTF-8, else what the detector finds; a surrogate encoded in
        // UTF-8 is not valid.
        {"<p>" + PRIVET, {}, 65001, PRIVET, "utf8"},
        {"<p>Gr\xFC\xDF", {}, 28592, "Grüß", "detected"},  // ü and ß are the same bytes in 8859-2
        {"<p>\xED\xA0\x80", {}, 1252, "í\u00A0€", "detected"},
        {"<p>\xC3", {}, 1252, "Ã", "detected"},
        {ReadFile(Sample("latin.html")), {}, 1252, "Preis: 5 €", "meta"},
        // Byte-order marks win over declarations; offsets stay offsets in the file.
        {"\xEF\xBB\xBF<meta charset=windows-1251><p>" + PRIVET, {}, 65001, PRIVET, "bom", 3},
        {Sixteen("<p>\xE9", false), {}, 1201, "é", "bom", 2},
        {Sixteen("<p>\xE9", true), {}, 1210, "é", "bom", 2},
        // The command line wins, by name or number.
        {koi8Declared, {"--charset", "KOI8-R"}, 20866, PRIVET, "option"},
        {koi8Declared, {"--charset", "20866"}, 20866, PRIVET, "option"},
        {koi8Declared, {"--charset", "cp1252"}, 1252, "ðÒÉ×ÅÔ", "option"},
        {koi8Declared, {"--charset", "ISO-8859-5"}, 28595, "№вЩзХд", "option"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        std::vector<std::string> arguments{"tokens"};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const std::vector<nlohmann::json> objects = JsonPerFile(arguments, {dir.Write("page.html", c.bytes)});
        ASSERT_EQ(objects.size(), 1u);
        EXPECT_EQ(objects[0]["charset"], c.charset);
        EXPECT_EQ(objects[0]["charset_source"], c.source);
        EXPECT_EQ(objects[0]["tokens"][0]["start"], c.firstStart);
        std::string text;
        for (const nlohmann::json& token : objects[0]["tokens"])
            if (token["type"] == "text" && text.empty()) text = token["text"];
        EXPECT_EQ(text, c.text);
    }
}

// The HTTP header's charset comes after a byte-order mark and before the document's own.
TEST(Charset, TheHttpCharsetOutranksTheMetaCharset)
{
    using vekparse::CharsetSource;
    const std::string declared = "<meta charset=windows-1251><p>" + PRIVET_KOI8;
    vekparse::CharsetChoice choice = vekparse::ChooseCharset(VEK::CHARSET_UNKNOWN, declared, "KOI8-R");
    EXPECT_EQ(choice.charset, 20866);
    EXPECT_EQ(choice.source, CharsetSource::Http);
    EXPECT_FALSE(vekparse::Redeclare(choice, "windows-1251", declared));
    EXPECT_EQ(vekparse::ChooseCharset(VEK::CHARSET_UNKNOWN, "\xEF\xBB\xBF" + declared, "KOI8-R").source, CharsetSource::Bom);
    EXPECT_EQ(vekparse::ChooseCharset(1251, declared, "KOI8-R").source, CharsetSource::Option);
    EXPECT_EQ(vekparse::ChooseCharset(VEK::CHARSET_UNKNOWN, declared, "x-unheard-of").source, CharsetSource::Default);
}

// Real text without any declaration, made with Python's codecs from translated manual pages
// (tests/tools/charset_pages.py): the detector names the charset and the words are Python's.
TEST(Charset, UndeclaredPagesAreDetected)
{
    TempDir dir;
    const test_support::Output made = test_support::Run("/usr/bin/python3 " + std::string(VEKPARSER_SOURCE_DIR) +
                                                        "/tests/tools/charset_pages.py " + dir.Path().string());
    ASSERT_TRUE(made.ok);
    const std::pair<const char*, int> pages[] = {
        {"cp1251", 1251}, {"shift_jis", 932}, {"gb18030", 54936}, {"iso8859_2", 28592}, {"cp1252", 1252}};
    for (const auto& [codec, charset] : pages) {
        const std::string page = (dir.Path() / codec).string();
        if (!std::filesystem::exists(page + ".html")) continue;  // that translation is not installed
        const std::vector<nlohmann::json> objects = JsonPerFile({"text", "--flat"}, {page + ".html"});
        ASSERT_EQ(objects.size(), 1u);
        EXPECT_EQ(objects[0]["charset_source"], "detected") << codec;
        EXPECT_EQ(objects[0]["charset"], charset) << codec;
        std::istringstream expected(ReadFile(page + ".txt")), found(objects[0]["text"].get<std::string>());
        std::vector<std::string> want, got;
        for (std::string word; expected >> word;) want.push_back(word);
        for (std::string word; found >> word;) got.push_back(word);
        EXPECT_EQ(got, want) << codec;
    }
}

} // namespace
} // namespace vektest
