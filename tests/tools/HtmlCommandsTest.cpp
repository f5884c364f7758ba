// vekparse text, links, meta and dump on the samples and on real pages.
#include <algorithm>
#include <filesystem>

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

TEST(HtmlCommands, DumpShowsTheTreeAndTheLinks)
{
    const Result dump = Vekparse({"dump", "-q", Sample("welcome.html")});
    ASSERT_EQ(dump.status, 0) << dump.err;
    EXPECT_EQ(dump.out.rfind("\n\nTOP OF TREE\n-----------\n\n|\no-- <document-master-node>\n", 0), 0u) << dump.out.substr(0, 200);
    EXPECT_NE(dump.out.find("\nLINKS\n-----\nmenu.html\n"), std::string::npos);
}

TEST(HtmlCommands, TextEqualsTheLibrarysOnPythonDocPages)
{
    std::vector<std::string> pages;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator("/usr/share/doc/python3/html", error))
        if (entry.path().extension() == ".html") pages.push_back(entry.path().string());
    if (pages.empty()) GTEST_SKIP() << "python3-doc is not installed";
    std::sort(pages.begin(), pages.end());
    std::vector<std::string> arguments{"text", "--json", "-j", "2", "-q"};
    for (std::size_t i = 0; i < pages.size(); i += 40) arguments.push_back(pages[i]);
    const Result result = Vekparse(arguments);
    ASSERT_EQ(result.status, 0) << result.err;
    const std::vector<nlohmann::json> objects = JsonLines(result.out);
    ASSERT_EQ(objects.size(), arguments.size() - 5);
    const VEKParser::HtmlKeywordTable table(VEKParser::DEFAULT_PRT);
    for (const nlohmann::json& object : objects) {
        VEKFile::MappedFileStream stream(object["path"]);
        VEKParser::HtmlDocTree tree(65001);
        VEKParser::HtmlDocParser(stream, table, tree).Parse();
        VEK::WString text;
        tree.GetText(text);
        EXPECT_EQ(object["text"], VEK::ToUtf8(text)) << object["path"];
    }
}

TEST(HtmlCommands, ProfilesAreChosenByName)
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

} // namespace
} // namespace vektest
