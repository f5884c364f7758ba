// vekparse tokens against the library's tokenizer run in this process on real pages.
#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>

#include <VEKParser/host/MappedFile.h>
#include <VEKParser/html/stream/HtmlStreamParser.h>

#include "Program.h"

namespace vektest {
namespace {

const char* const PYTHON_DOC = "/usr/share/doc/python3/html";

std::vector<std::string> SomePages()
{
    std::vector<std::string> pages;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(PYTHON_DOC, error))
        if (entry.path().extension() == ".html") pages.push_back(entry.path().string());
    std::sort(pages.begin(), pages.end());
    std::vector<std::string> some;
    for (std::size_t i = 0; i < pages.size(); i += 60) some.push_back(pages[i]);
    return some;
}

TEST(Tokens, SameElementsAsTheLibraryOnPythonDocPages)
{
    const std::vector<std::string> pages = SomePages();
    if (pages.empty()) GTEST_SKIP() << "python3-doc is not installed";
    std::vector<std::string> arguments{"tokens", "--json", "-j", "2", "-q"};
    arguments.insert(arguments.end(), pages.begin(), pages.end());
    const Result result = Vekparse(arguments);
    ASSERT_EQ(result.status, 0) << result.err;
    const std::vector<nlohmann::json> objects = JsonLines(result.out);
    ASSERT_EQ(objects.size(), pages.size());
    for (std::size_t i = 0; i < pages.size(); ++i) {
        VEKFile::MappedFileStream stream(pages[i]);
        VEKParser::HtmlStreamParserT<char> parser(65001, stream);
        const nlohmann::json& tokens = objects[i]["tokens"];
        EXPECT_EQ(objects[i]["charset"], 65001) << pages[i];
        std::size_t n = 0;
        for (std::string text; !parser.EndOfFile(); ++n) {
            unsigned start = 0, end = 0;
            const VEKParser::ElementType type = parser.GetNext(start, end, text);
            ASSERT_LT(n, tokens.size()) << pages[i];
            ASSERT_EQ(tokens[n]["start"], start) << pages[i];
            ASSERT_EQ(tokens[n]["end"], end) << pages[i];
            ASSERT_EQ(tokens[n]["text"], text) << pages[i];  // the pages are UTF-8
            ASSERT_EQ(tokens[n]["type"], (type == VEKParser::ELEMENT_TAG ? "tag" : type == VEKParser::ELEMENT_TEXT ? "text"
                                          : type == VEKParser::ELEMENT_COMMENT ? "comment" : "raw-text")) << pages[i];
        }
        EXPECT_EQ(n, tokens.size()) << pages[i];
    }
}

TEST(Tokens, ReadableFormIsOneLinePerElement)
{
    TempDir dir;
    const std::string page = dir.Write("p.html", "<!-- a\ncomment --><script>x\t=\n1</script>\x01<%srv%>");
    EXPECT_EQ(Vekparse({"tokens", "-q", page}).out,
              "comment             0 <!-- a\\ncomment -->\n"
              "tag                18 <script>\n"
              "raw-text           26 x\\t=\\n1\n"
              "tag                31 </script>\n"
              "text               40 \\x01\n"
              "server-block       41 <%srv%>\n");
}

} // namespace
} // namespace vektest
