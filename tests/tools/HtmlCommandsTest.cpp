// vekparse text, links, meta and dump on the samples and on real pages.
#include <algorithm>

#include <gtest/gtest.h>

#include <VEKParser/host/MappedFile.h>
#include <VEKParser/html/doctree/DocTree.h>

#include "Program.h"

namespace vektest {
namespace {

nlohmann::json OneObject(const std::vector<std::string>& arguments)
{
    const Result result = Vekparse(arguments);
    EXPECT_EQ(result.status, 0) << result.err;
    const std::vector<nlohmann::json> objects = JsonLines(result.out);
    return objects.size() == 1 ? objects[0] : nlohmann::json();
}

TEST(HtmlCommands, Windows1251PageIsReadInItsMetaCharset)
{
    const nlohmann::json text = OneObject({"text", "--json", "-q", Sample("cyrillic.html")});
    EXPECT_EQ(text["charset"], 1251);
    const std::string plain = text["text"];
    EXPECT_NE(plain.find("Погода в Москве"), std::string::npos) << plain;
    EXPECT_NE(plain.find("«до +25»"), std::string::npos) << plain;

    const nlohmann::json meta = OneObject({"meta", "--json", "-q", Sample("cyrillic.html")});
    EXPECT_EQ(meta["meta_charset"], "windows-1251");
    EXPECT_EQ(meta["title"], "Новости дня");
    EXPECT_EQ(meta["keywords"], "новости, погода");
}

TEST(HtmlCommands, LinksMetaAndHiddenTextOfTheWelcomePage)
{
    const nlohmann::json links = OneObject({"links", "--json", "-q", Sample("welcome.html")});
    EXPECT_EQ(links["base"], "https://shop.example.test/");
    std::vector<std::pair<std::string, std::string>> found;
    for (const nlohmann::json& link : links["links"]) found.emplace_back(link["uri"], link["caption"]);
    EXPECT_NE(std::find(found.begin(), found.end(), std::pair<std::string, std::string>{"menu.html", "menu"}), found.end());

    const nlohmann::json meta = OneObject({"meta", "--json", "-q", Sample("welcome.html")});
    EXPECT_EQ(meta["author"], "Ada Example");
    EXPECT_EQ(meta["title"], "Welcome to the sample shop");
    EXPECT_EQ(meta["meta"]["keywords"], "samples, parsing, café");

    const nlohmann::json hidden = OneObject({"text", "--hidden", "--json", "-q", Sample("welcome.html")});
    EXPECT_NE(std::string(hidden["text"]).find("The shop front"), std::string::npos);

    const Result readable = Vekparse({"links", "-q", Sample("broken.html")});
    EXPECT_NE(readable.out.find("redirect\thttps://example.test/new\n"), std::string::npos) << readable.out;
    EXPECT_NE(readable.out.find("link\trelative/link.html\t"), std::string::npos) << readable.out;
}

// A 16-bit page says the same as its UTF-8 form; raw text keeps the references as written.
TEST(HtmlCommands, SixteenBitPagesAndRawText)
{
    const std::string page = "<title>Grüße</title><p>Привет &amp; мир</p>";
    TempDir dir;
    const std::string utf8 = dir.Write("u8.html", page);
    const std::string text = OneObject({"text", "--json", "-q", utf8})["text"];
    for (const auto& [codec, charset] : {std::pair<std::string, int>{"utf-16-le", 1201}, {"utf-16-be", 1210}}) {
        // Python writes the byte-order mark and the 16-bit units.
        const std::string wide = dir.Write(codec + ".html",
            Shell(test_support::PYTHON + " -c 'import sys; sys.stdout.buffer.write((\"\\ufeff\" + "
                  "open(sys.argv[1], encoding=\"utf-8\").read()).encode(sys.argv[2]))' " + utf8 + " " + codec));
        const nlohmann::json object = OneObject({"text", "--json", "-q", wide});
        EXPECT_EQ(object["charset"], charset);
        EXPECT_EQ(object["text"], text) << codec;
        EXPECT_EQ(OneObject({"meta", "--json", "-q", wide})["title"], "Grüße") << codec;
    }
    EXPECT_NE(text.find("Привет & мир"), std::string::npos) << text;
    const std::string raw = OneObject({"text", "--raw", "--json", "-q", utf8})["text"];
    EXPECT_NE(raw.find("Привет &amp; мир"), std::string::npos) << raw;
}

TEST(HtmlCommands, DumpShowsTheTreeAndTheLinks)
{
    const Result dump = Vekparse({"dump", "-q", Sample("welcome.html")});
    ASSERT_EQ(dump.status, 0) << dump.err;
    EXPECT_EQ(dump.out.rfind("\n\nTOP OF TREE\n-----------\n\n|\no-- <document-master-node>\n", 0), 0u) << dump.out.substr(0, 200);
    EXPECT_NE(dump.out.find("\nLINKS\n-----\nmenu.html\n"), std::string::npos);
}

TEST(HtmlCommands, TextEqualsTheLibrarysOnPythonDocPages)
{
    const std::vector<std::string> pages = PythonDocPages(40);
    if (pages.empty()) GTEST_SKIP() << "python3-doc is not installed";
    const VEKParser::HtmlKeywordTable table(VEKParser::DEFAULT_PRT);
    for (const nlohmann::json& object : JsonPerFile({"text"}, pages)) {
        VEKFile::MappedFileStream stream(object["path"]);
        VEKParser::HtmlDocTree tree(65001);
        VEKParser::HtmlDocParser(stream, table, tree).Parse();
        VEK::WString text;
        tree.GetText(text);
        EXPECT_EQ(object["text"], VEK::ToUtf8(text)) << object["path"];
    }
}

TEST(HtmlCommands, ProfilesByNameAndTooDeepDocumentsFail)
{
    TempDir dir;
    const std::string page = dir.Write("p.html", "<p>one <b>two</b></p>");
    for (const char* profile : {"default", "NOTAG", "changedetector"}) {
        const Result result = Vekparse({"text", "-q", "--profile", profile, page});
        EXPECT_EQ(result.status, 0) << profile;
        EXPECT_NE(result.out.find("one"), std::string::npos) << profile;
    }
    EXPECT_EQ(Vekparse({"text", "-q", "--profile", "fancy", page}).status, 2);

    // A division ends an open division, so they nest only with other elements between.
    std::string deep;
    for (int i = 0; i < 300; ++i) deep += i % 2 ? "<b>" : "<div>";
    const std::string tooDeep = dir.Write("deep.html", deep + "x");
    const Result result = Vekparse({"text", "-q", page, tooDeep, page});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "vekparse: " + tooDeep + ": elements nest too deep to parse\n");
    EXPECT_EQ(Lines(result.out).size(), 4u) << result.out;  // a header and a text for each good one, nothing else
}

} // namespace
} // namespace vektest
