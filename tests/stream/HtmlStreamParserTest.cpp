#include <gtest/gtest.h>

#include <cstring>

#include <VEKParser/host/MemoryBuffer.h>
#include <VEKParser/html/stream/Stream.h>

#include "tests/stream/Tokens.h"

using namespace VEKParser;

namespace {

std::vector<Token> Expect(std::initializer_list<Token> tokens) { return tokens; }

// Kinds and texts only, for documents where offsets are obvious from the texts.
std::vector<std::pair<ElementType, std::string>> Shape(const std::vector<Token>& tokens)
{
    std::vector<std::pair<ElementType, std::string>> shape;
    for (const Token& token : tokens) shape.emplace_back(token.kind, token.text);
    return shape;
}

using Shape_ = std::vector<std::pair<ElementType, std::string>>;

TEST(HtmlStreamParser, TextAndTagsWithOffsets)
{
    EXPECT_EQ(Tokenize("a<b>c"), Expect({{ELEMENT_TEXT, 0, 1, "a"}, {ELEMENT_TAG, 1, 4, "<b>"}, {ELEMENT_TEXT, 4, 5, "c"}}));
}

TEST(HtmlStreamParser, EachKindOfElement)
{
    const auto T = ELEMENT_TAG, X = ELEMENT_TEXT, R = ELEMENT_RAW_TEXT, C = ELEMENT_COMMENT, S = ELEMENT_SERVER_BLOCK;
    const struct {
        std::string html;
        Shape_ shape;
        bool sections = false;
    } cases[] = {
        // A "<" without a tag start is text.
        {"x < y", {{X, "x < y"}}}, {"a<1", {{X, "a<1"}}}, {"a<", {{X, "a<"}}},
        // Quotes in tags; stray characters behind a closing quote open no other quote; an
        // opening quote that never closes leaves the "<" as text.
        {"<a title='1>2'>x", {{T, "<a title='1>2'>"}, {X, "x"}}},
        {"<a title=x'>y'>", {{T, "<a title=x'>"}, {X, "y'>"}}},
        {"<a b=\"c\"\">d", {{T, "<a b=\"c\"\">"}, {X, "d"}}},
        {"<a b='c>d", {{X, "<a b='c>d"}}},
        // Script and style content is raw text; <scripts> is no script; closed comments and
        // server blocks inside a script stay elements.
        {"<script>if (a<b) x='</b>';</script>z", {{T, "<script>"}, {R, "if (a<b) x='</b>';"}, {T, "</script>"}, {X, "z"}}},
        {"<SCRIPT language=x>a</SCRIPT >", {{T, "<SCRIPT language=x>"}, {R, "a"}, {T, "</SCRIPT >"}}},
        {"<style>a</scripts></style>", {{T, "<style>"}, {R, "a</scripts>"}, {T, "</style>"}}},
        {"<script>a</scripts>b", {{T, "<script>"}, {R, "a</scripts>b"}}},
        {"<scripts><b>", {{T, "<scripts>"}, {T, "<b>"}}},
        {"<script>a<!--b-->c<%d%>e<!--f</script>",
         {{T, "<script>"}, {R, "a"}, {C, "<!--b-->"}, {R, "c"}, {S, "<%d%>"}, {R, "e<!--f"}, {T, "</script>"}}},
        // Comments; one never closed ends at the next ">" as a tag, or is text.
        {"<!-- a -- b -->x", {{C, "<!-- a -- b -->"}, {X, "x"}}}, {"<!-->x", {{C, "<!-->"}, {X, "x"}}},
        {"<!--->", {{C, "<!--->"}}}, {"<!-- never closed > later", {{T, "<!-- never closed >"}, {X, " later"}}},
        {"<!-- never closed", {{X, "<!-- never closed"}}},
        // Server blocks, sections when asked for, declarations and processing instructions.
        {"<%>x", {{S, "<%>"}, {X, "x"}}}, {"<% a > b %>", {{S, "<% a > b %>"}}}, {"<% open", {{X, "<% open"}}},
        {"<![CDATA[x]]>", {{T, "<![CDATA[x]]>"}}},
        {"<![CDATA[x]]>y", {{ELEMENT_SECTION, "<![CDATA[x]]>"}, {X, "y"}}, true},
        {"<![CDATA[x", {{X, "<![CDATA[x"}}, true},
        {"<!DOCTYPE html><?xml v?><#x>", {{T, "<!DOCTYPE html>"}, {T, "<?xml v?>"}, {T, "<#x>"}}},
        // Plaintext switches the rest to text; NUL becomes a blank.
        {"<plaintext><b></plaintext>", {{T, "<plaintext>"}, {X, "<b></plaintext>"}}},
        {std::string("a\0<b\0c>", 7), {{X, "a "}, {T, "<b c>"}}},
    };
    for (const auto& c : cases) EXPECT_EQ(Shape(Tokenize(c.html, 65001, 0, c.sections)), c.shape) << c.html;
}

TEST(HtmlStreamParser, EndOfStreamInsideScriptGivesEmptyRawText)
{
    VEKFile::MemoryBuffer buffer("<script>", 8);
    HtmlStreamParserT<char> parser(65001, buffer);
    unsigned start = 0, end = 0;
    std::string text;
    EXPECT_EQ(parser.GetNext(start, end, text), ELEMENT_TAG);
    EXPECT_TRUE(parser.EndOfFile());
    EXPECT_EQ(parser.GetNext(start, end, text), ELEMENT_RAW_TEXT);
    EXPECT_EQ(start, 8u);
    EXPECT_EQ(end, 8u);
    EXPECT_TRUE(text.empty());
}

TEST(HtmlStreamParser, LongTextComesInCappedPieces)
{
    const unsigned cap = HtmlStreamParserT<char>::MAX_ELEMENT_UNITS;
    const std::string text(2 * cap + 5, 'x');
    const auto tokens = Tokenize(text + "<b>");
    ASSERT_EQ(tokens.size(), 4u);
    EXPECT_EQ(tokens[0].start, 0u);
    EXPECT_EQ(tokens[0].end, cap);
    EXPECT_EQ(tokens[1].start, cap);
    EXPECT_EQ(tokens[1].end, 2 * cap);
    EXPECT_EQ(tokens[2].text, "xxxxx");
    EXPECT_EQ(tokens[3].text, "<b>");
}

TEST(HtmlStreamParser, OverlongTagKeepsItsClosingCharacters)
{
    const unsigned cap = HtmlStreamParserT<char>::MAX_ELEMENT_UNITS;
    const std::string tag = "<a title=\"" + std::string(cap, 'v') + "\" />";
    const auto tokens = Tokenize(tag + "x");
    ASSERT_EQ(tokens.size(), 2u);
    EXPECT_EQ(tokens[0].kind, ELEMENT_TAG);
    EXPECT_EQ(tokens[0].end, tag.size());
    EXPECT_EQ(tokens[0].text, tag.substr(0, cap) + " />");
    EXPECT_EQ(tokens[1], (Token{ELEMENT_TEXT, static_cast<unsigned>(tag.size()), static_cast<unsigned>(tag.size() + 1), "x"}));

    const std::string comment = "<!--" + std::string(cap, 'c') + "-->";
    const auto comments = Tokenize(comment);
    ASSERT_EQ(comments.size(), 1u);
    EXPECT_EQ(comments[0].text, comment.substr(0, cap) + "-->");
}

TEST(HtmlStreamParser, InvalidUtf8PassesThroughAsBytes)
{
    const std::string bytes = "\xFF\xC3<b\xED\xA0\x80>\xF4";
    const auto tokens = Tokenize(bytes);
    ASSERT_EQ(tokens.size(), 3u);
    EXPECT_EQ(tokens[1].text, "<b\xED\xA0\x80>");
}

// Collects what Parse pushes.
struct Recorder : HtmlStreamParserCallback {
    std::vector<std::string> calls;
    std::size_t stopAfter = ~std::size_t{0};
    void BeginParse() override { calls.push_back("begin"); }
    void EndParse() override { calls.push_back("end"); }
    bool HandleElement(ElementType type, unsigned start, unsigned end, const VEK::WString& text) override
    {
        calls.push_back(std::to_string(type) + " " + std::to_string(start) + "-" + std::to_string(end) + " " +
                        VEK::ToUtf8(text));
        return calls.size() <= stopAfter;
    }
};

TEST(HtmlStreamParser, ParsePushesUnicodeAndSkipsTheByteOrderMark)
{
    const std::string bytes = "\xEF\xBB\xBF<b>\xC3\xA9";
    VEKFile::MemoryBuffer buffer(bytes.data(), static_cast<unsigned>(bytes.size()));
    HtmlStreamParserT<char> parser(65001, buffer);
    Recorder recorder;
    EXPECT_TRUE(parser.Parse(recorder));
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"begin", "0 3-6 <b>", "2 6-8 \xC3\xA9", "end"}));
    // GetNext itself keeps the mark.
    EXPECT_EQ(Tokenize(bytes)[0].start, 0u);

    VEKFile::MemoryBuffer empty(16);
    HtmlStreamParserT<char> onEmpty(0, empty);
    Recorder none;
    EXPECT_TRUE(onEmpty.Parse(none));
    EXPECT_EQ(none.calls, (std::vector<std::string>{"begin", "end"}));
}

TEST(HtmlStreamParser, ParseStopsWhenTheCallbackSaysSo)
{
    VEKFile::MemoryBuffer buffer("a<b>c", 5);
    HtmlStreamParserT<char> parser(1252, buffer);
    Recorder recorder;
    recorder.stopAfter = 1;
    EXPECT_FALSE(parser.Parse(recorder));
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"begin", "2 0-1 a"}));
}

TEST(HtmlStreamParser, SixteenBitParseSwapsIntoMachineOrder)
{
    const std::string bytes("\xFE\xFF\x00<\x00p\x00>", 8);
    VEKFile::MemoryBuffer buffer(bytes.data(), 8);
    HtmlStreamParserT<unsigned short> parser(1210, buffer);
    Recorder recorder;
    EXPECT_TRUE(parser.Parse(recorder));
    // Under 1210 the mark is kept, as text.
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"begin", "2 0-2 \xEF\xBB\xBF", "0 2-8 <p>", "end"}));
}

TEST(HtmlStreamParser, BufferLifecycle)
{
    HtmlStreamParserT<char> parser(0);
    EXPECT_TRUE(parser.EndOfFile());
    VEKFile::MemoryBuffer first("<b>rest", 7);
    parser.SetBuffer(first);
    unsigned start = 0, end = 0;
    std::string text;
    EXPECT_EQ(parser.GetNext(start, end, text), ELEMENT_TAG);
    parser.ReleaseBuffer();
    EXPECT_TRUE(parser.EndOfFile());
    // The units passed were read off the stream.
    EXPECT_EQ(first.TellG(), 3u);
    VEKFile::MemoryBuffer second("<i>", 3);
    parser.SetBuffer(second);
    EXPECT_EQ(parser.GetNext(start, end, text), ELEMENT_TAG);
    EXPECT_EQ(text, "<i>");
    EXPECT_EQ(start, 0u);
}

TEST(HtmlStreamParser, EveryCharsetReadsTheSameMarkup)
{
    for (VEK::CHARSET charset : {0, 20127, 1252, 65001, 28591, 1250, 1251, 932, 936, 949, 950}) {
        const auto tokens = Tokenize("a<script>x<y</script><p id=1>", charset);
        ASSERT_EQ(tokens.size(), 5u) << charset;
        EXPECT_EQ(tokens[2].kind, ELEMENT_RAW_TEXT) << charset;
        EXPECT_EQ(tokens[4].text, "<p id=1>") << charset;
    }
}

} // namespace
