// vekparse tokens against the library's tokenizer run in this process on real pages.
#include <gtest/gtest.h>

#include <VEKParser/host/MappedFile.h>
#include <VEKParser/html/stream/HtmlStreamParser.h>

#include "Program.h"

namespace vektest {
namespace {

const char* TypeName(VEKParser::ElementType type)
{
    return type == VEKParser::ELEMENT_TAG ? "tag" : type == VEKParser::ELEMENT_TEXT ? "text"
           : type == VEKParser::ELEMENT_COMMENT ? "comment" : "raw-text";
}

TEST(Tokens, SameElementsAsTheLibraryOnPythonDocPages)
{
    const std::vector<std::string> pages = PythonDocPages(60);
    if (pages.empty()) GTEST_SKIP() << "python3-doc is not installed";
    const std::vector<nlohmann::json> objects = JsonPerFile({"tokens"}, pages);
    for (std::size_t i = 0; i < objects.size(); ++i) {
        SCOPED_TRACE(pages[i]);
        VEKFile::MappedFileStream stream(pages[i]);
        VEKParser::HtmlStreamParserT<char> parser(65001, stream);
        const nlohmann::json& tokens = objects[i]["tokens"];
        EXPECT_EQ(objects[i]["charset"], 65001);
        std::size_t n = 0;
        for (std::string text; !parser.EndOfFile(); ++n) {
            unsigned start = 0, end = 0;
            const VEKParser::ElementType type = parser.GetNext(start, end, text);
            ASSERT_LT(n, tokens.size());
            ASSERT_EQ(tokens[n], (nlohmann::json{{"type", TypeName(type)}, {"start", start}, {"end", end}, {"text", text}}));
        }
        EXPECT_EQ(n, tokens.size());
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
