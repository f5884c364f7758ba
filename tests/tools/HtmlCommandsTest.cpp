// vekparse text, links, meta and dump on the samples and on real pages.
#include <algorithm>

#include <gtest/gtest.h>

#include <VEKParser/host/MappedFile.h>
#include <VEKParser/html/doctree/DocTree.h>

#include "Program.h"
#include "UrlResolver.h"

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
    const nlohmann::json meta = OneObject({"meta", "--json", "-q", Sample("cyrillic.html")});
    EXPECT_EQ(meta["charset"], 1251);
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

// The readable text by default, the flat GetText with --flat.
TEST(HtmlCommands, TextEqualsTheLibrarysOnPythonDocPages)
{
    const std::vector<std::string> pages = PythonDocPages(40);
    if (pages.empty()) GTEST_SKIP() << "python3-doc is not installed";
    const VEKParser::HtmlKeywordTable table(VEKParser::DEFAULT_PRT);
    for (const bool flat : {false, true}) {
        for (const nlohmann::json& object : JsonPerFile(flat ? std::vector<std::string>{"text", "--flat"}
                                                             : std::vector<std::string>{"text"},
                                                        pages)) {
            VEKFile::MappedFileStream stream(object["path"]);
            VEKParser::HtmlDocTree tree(65001);
            VEKParser::HtmlDocParser(stream, table, tree).Parse();
            VEK::WString text;
            if (flat) tree.GetText(text);
            else VEKParser::GetReadableText(tree, text);
            EXPECT_EQ(object["text"], VEK::ToUtf8(text)) << object["path"];
        }
    }
}

TEST(HtmlCommands, ProfilesByName)
{
    TempDir dir;
    const std::string page = dir.Write("p.html", "<p>one <b>two</b></p>");
    for (const char* profile : {"default", "NOTAG", "changedetector"}) {
        const Result result = Vekparse({"text", "-q", "--profile", profile, page});
        EXPECT_EQ(result.status, 0) << profile;
        EXPECT_NE(result.out.find("one"), std::string::npos) << profile;
    }
    EXPECT_EQ(Vekparse({"text", "-q", "--profile", "fancy", page}).status, 2);
}

// The parser stops at its nesting limit and keeps what it read; every command gives that part,
// marked incomplete, with a warning apart from failures.
TEST(HtmlCommands, DocumentsBeyondTheNestingLimitGiveWhatWasRead)
{
    TempDir dir;
    std::string deep = "<title>Deep</title><a href=early.html>before</a>";
    for (int i = 0; i < 70; ++i) deep += "<b><i>";
    const std::string page = dir.Write("p.html", "<p>one</p>"), tooDeep = dir.Write("deep.html", deep + "<a href=late.html>x</a>");
    const std::string warning = "vekparse: " + tooDeep + ": incomplete: the parser stops at its nesting limit of 128 open "
                                "elements; the record holds what came before\n";
    for (const auto& [command, kept] : {std::pair<std::string, std::string>{"text", "before"}, {"links", "early.html"},
                                        {"meta", "Deep"}, {"dump", "early.html"}}) {
        const Result readable = Vekparse({command, page, tooDeep, page});
        EXPECT_EQ(readable.status, 0) << command;
        EXPECT_EQ(readable.err.rfind(warning + "3 documents, ", 0), 0u) << readable.err;
        EXPECT_NE(readable.err.find(" 0 failed, 1 incomplete, "), std::string::npos) << readable.err;
        EXPECT_NE(readable.out.find("==> " + tooDeep + " <==\n"), std::string::npos) << command;

        const std::vector<nlohmann::json> objects = JsonPerFile({command}, {tooDeep, page});
        ASSERT_EQ(objects.size(), 2u);
        EXPECT_EQ(objects[0]["complete"], false);
        EXPECT_FALSE(objects[1].contains("complete"));
        EXPECT_NE(objects[0].dump().find(kept), std::string::npos) << command;
        EXPECT_EQ(objects[0].dump().find("late.html"), std::string::npos) << command;
    }
}

// --absolute: each href beside its resolution against <base href>; without a base, as written.
TEST(HtmlCommands, AbsoluteLinksResolveAgainstTheBase)
{
    const std::pair<std::string, std::string> links[] = {
        {"../index.html", "https://docs.python.org/3/index.html"},
        {"codecs.html#codecs.open", "https://docs.python.org/3/library/codecs.html#codecs.open"},
        {"?q=2", "https://docs.python.org/3/library/json.html?q=2"},
        {"#dump", "https://docs.python.org/3/library/json.html?x=1#dump"},
        {"//example.org/a b", "https://example.org/a%20b"},
        {"ftp://ftp.example.org/pub/", "ftp://ftp.example.org/pub/"},
        {"mailto:x@example.org", "mailto:x@example.org"},
        {"http://[bad/", "http://[bad/"},
    };
    std::string anchors;
    for (const auto& link : links) anchors += "<a href=\"" + link.first + "\">x</a>";
    TempDir dir;
    const std::string based = dir.Write("based.html", "<base href='https://docs.python.org/3/library/json.html?x=1#top'>" + anchors);
    const std::string loose = dir.Write("loose.html", anchors);
    const std::vector<nlohmann::json> objects = JsonPerFile({"links", "--absolute"}, {based, loose});
    ASSERT_EQ(objects.size(), 2u);
    ASSERT_EQ(objects[0]["links"].size(), std::size(links));
    for (std::size_t i = 0; i < std::size(links); ++i) {
        EXPECT_EQ(objects[0]["links"][i]["href"], links[i].first);
        EXPECT_EQ(objects[0]["links"][i]["url"], links[i].second);
        EXPECT_EQ(objects[1]["links"][i]["url"], links[i].first);
    }
    // The address a document came from serves when it has no base, and resolves a relative one.
    EXPECT_EQ(vekparse::UrlResolver("", "https://a.test/x/y.html").Resolve("z.html"), "https://a.test/x/z.html");
    EXPECT_EQ(vekparse::UrlResolver("/docs/", "https://a.test/x/y.html").Resolve("z.html"), "https://a.test/docs/z.html");
    EXPECT_EQ(vekparse::UrlResolver("not a base", "").Resolve("z.html"), "z.html");
}

} // namespace
} // namespace vektest
