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

TEST(HtmlStreamParser, LessThanWithoutTagStartIsText)
{
    EXPECT_EQ(Shape(Tokenize("x < y")), (Shape_{{ELEMENT_TEXT, "x < y"}}));
    EXPECT_EQ(Shape(Tokenize("a<1")), (Shape_{{ELEMENT_TEXT, "a<1"}}));
    EXPECT_EQ(Shape(Tokenize("a<")), (Shape_{{ELEMENT_TEXT, "a<"}}));
}

TEST(HtmlStreamParser, QuotesInTags)
{
    EXPECT_EQ(Shape(Tokenize("<a title='1>2'>x")), (Shape_{{ELEMENT_TAG, "<a title='1>2'>"}, {ELEMENT_TEXT, "x"}}));
    EXPECT_EQ(Shape(Tokenize("<a title=x'>y'>")), (Shape_{{ELEMENT_TAG, "<a title=x'>"}, {ELEMENT_TEXT, "y'>"}}));
    // Stray characters behind a closing quote do not open another quote.
    EXPECT_EQ(Shape(Tokenize("<a b=\"c\"\">d")), (Shape_{{ELEMENT_TAG, "<a b=\"c\"\">"}, {ELEMENT_TEXT, "d"}}));
    // An opening quote that never closes leaves the "<" as text.
    EXPECT_EQ(Shape(Tokenize("<a b='c>d")), (Shape_{{ELEMENT_TEXT, "<a b='c>d"}}));
}

TEST(HtmlStreamParser, ScriptContentIsRawText)
{
    EXPECT_EQ(Shape(Tokenize("<script>if (a<b) x='</b>';</script>z")),
              (Shape_{{ELEMENT_TAG, "<script>"}, {ELEMENT_RAW_TEXT, "if (a<b) x='</b>';"},
                      {ELEMENT_TAG, "</script>"}, {ELEMENT_TEXT, "z"}}));
    EXPECT_EQ(Shape(Tokenize("<SCRIPT language=x>a</SCRIPT >")),
              (Shape_{{ELEMENT_TAG, "<SCRIPT language=x>"}, {ELEMENT_RAW_TEXT, "a"}, {ELEMENT_TAG, "</SCRIPT >"}}));
    EXPECT_EQ(Shape(Tokenize("<style>a</scripts></style>")),
              (Shape_{{ELEMENT_TAG, "<style>"}, {ELEMENT_RAW_TEXT, "a</scripts>"}, {ELEMENT_TAG, "</style>"}}));
    EXPECT_EQ(Shape(Tokenize("<script>a</scripts>b")),
              (Shape_{{ELEMENT_TAG, "<script>"}, {ELEMENT_RAW_TEXT, "a</scripts>b"}}));
    // <scripts> is no script; closed comments and server blocks inside a script stay elements.
    EXPECT_EQ(Shape(Tokenize("<scripts><b>")), (Shape_{{ELEMENT_TAG, "<scripts>"}, {ELEMENT_TAG, "<b>"}}));
    EXPECT_EQ(Shape(Tokenize("<script>a<!--b-->c<%d%>e<!--f</script>")),
              (Shape_{{ELEMENT_TAG, "<script>"}, {ELEMENT_RAW_TEXT, "a"}, {ELEMENT_COMMENT, "<!--b-->"},
                      {ELEMENT_RAW_TEXT, "c"}, {ELEMENT_SERVER_BLOCK, "<%d%>"}, {ELEMENT_RAW_TEXT, "e<!--f"},
                      {ELEMENT_TAG, "</script>"}}));
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

TEST(HtmlStreamParser, Comments)
{
    EXPECT_EQ(Shape(Tokenize("<!-- a -- b -->x")), (Shape_{{ELEMENT_COMMENT, "<!-- a -- b -->"}, {ELEMENT_TEXT, "x"}}));
    EXPECT_EQ(Shape(Tokenize("<!-->x")), (Shape_{{ELEMENT_COMMENT, "<!-->"}, {ELEMENT_TEXT, "x"}}));
    EXPECT_EQ(Shape(Tokenize("<!--->")), (Shape_{{ELEMENT_COMMENT, "<!--->"}}));
    EXPECT_EQ(Shape(Tokenize("<!-- never closed > later")),
              (Shape_{{ELEMENT_TAG, "<!-- never closed >"}, {ELEMENT_TEXT, " later"}}));
    EXPECT_EQ(Shape(Tokenize("<!-- never closed")), (Shape_{{ELEMENT_TEXT, "<!-- never closed"}}));
}

TEST(HtmlStreamParser, ServerBlocksAndSections)
{
    EXPECT_EQ(Shape(Tokenize("<%>x")), (Shape_{{ELEMENT_SERVER_BLOCK, "<%>"}, {ELEMENT_TEXT, "x"}}));
    EXPECT_EQ(Shape(Tokenize("<% a > b %>")), (Shape_{{ELEMENT_SERVER_BLOCK, "<% a > b %>"}}));
    EXPECT_EQ(Shape(Tokenize("<% open")), (Shape_{{ELEMENT_TEXT, "<% open"}}));
    EXPECT_EQ(Shape(Tokenize("<![CDATA[x]]>")), (Shape_{{ELEMENT_TAG, "<![CDATA[x]]>"}}));
    EXPECT_EQ(Shape(Tokenize("<![CDATA[x]]>y", 65001, 0, true)),
              (Shape_{{ELEMENT_SECTION, "<![CDATA[x]]>"}, {ELEMENT_TEXT, "y"}}));
    EXPECT_EQ(Shape(Tokenize("<![CDATA[x", 65001, 0, true)), (Shape_{{ELEMENT_TEXT, "<![CDATA[x"}}));
    EXPECT_EQ(Shape(Tokenize("<!DOCTYPE html><?xml v?><#x>")),
              (Shape_{{ELEMENT_TAG, "<!DOCTYPE html>"}, {ELEMENT_TAG, "<?xml v?>"}, {ELEMENT_TAG, "<#x>"}}));
}

TEST(HtmlStreamParser, PlaintextSwitchesTheRestToText)
{
    EXPECT_EQ(Shape(Tokenize("<plaintext><b></plaintext>")),
              (Shape_{{ELEMENT_TAG, "<plaintext>"}, {ELEMENT_TEXT, "<b></plaintext>"}}));
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

TEST(HtmlStreamParser, NulBecomesBlank)
{
    EXPECT_EQ(Shape(Tokenize(std::string("a\0<b\0c>", 7))), (Shape_{{ELEMENT_TEXT, "a "}, {ELEMENT_TAG, "<b c>"}}));
}

TEST(HtmlStreamParser, WindowBoundaryIsInvisible)
{
    // Every kind of element, a script with an end tag, and a multi-byte character.
    std::string document = "<p class='a>b'>t\xC3\xA9xt<!-- c -->x<%s%><script>a<b</script><![x]>y";
    const auto reference = Tokenize(document, 65001, 0, true);
    for (unsigned slice : {1u, 7u, 4096u}) EXPECT_EQ(Tokenize(document, 65001, slice, true), reference) << slice;
    // Shift the document so that each of its offsets meets the end of the 4096-byte window.
    for (std::size_t pad = 4096 - document.size(); pad <= 4096; ++pad) {
        const std::string padded = std::string(pad, ' ') + document;
        auto tokens = Tokenize(padded, 65001, 0, true);
        ASSERT_FALSE(tokens.empty());
        auto shifted = reference;
        for (Token& token : shifted) {
            token.start += static_cast<unsigned>(pad);
            token.end += static_cast<unsigned>(pad);
        }
        // The padding joins the first text element, if there is one.
        if (shifted[0].kind == ELEMENT_TEXT) {
            shifted[0].start = 0;
            shifted[0].text.insert(0, pad, ' ');
        } else {
            shifted.insert(shifted.begin(), Token{ELEMENT_TEXT, 0, static_cast<unsigned>(pad), std::string(pad, ' ')});
        }
        EXPECT_EQ(tokens, shifted) << pad;
    }
}

TEST(HtmlStreamParser, HostileInputEndsWithDefinedOutput)
{
    const std::string lessThan(10u << 20, '<');
    const auto tokens = Tokenize(lessThan);
    std::size_t total = 0;
    for (const Token& token : tokens) {
        EXPECT_EQ(token.kind, ELEMENT_TEXT);
        total += token.text.size();
    }
    EXPECT_EQ(total, lessThan.size());
    // Many unclosed openers: every search for a close ends, and all bytes come back as text.
    std::string openers;
    for (int i = 0; i < 20000; ++i) openers += "<!--<%<![";
    std::size_t bytes = 0;
    for (const Token& token : Tokenize(openers, 65001, 0, true)) bytes += token.text.size();
    EXPECT_EQ(bytes, openers.size());
    std::string inScript = "<script>";
    for (int i = 0; i < 20000; ++i) inScript += "<!--<%";
    bytes = 0;
    for (const Token& token : Tokenize(inScript)) bytes += token.text.size();
    EXPECT_EQ(bytes, inScript.size());
}

TEST(HtmlStreamParser, InvalidUtf8PassesThroughAsBytes)
{
    const std::string bytes = "\xFF\xC3<b\xED\xA0\x80>\xF4";
    const auto tokens = Tokenize(bytes);
    ASSERT_EQ(tokens.size(), 3u);
    EXPECT_EQ(tokens[1].text, "<b\xED\xA0\x80>");
}

TEST(HtmlStreamParser, SixteenBitOffsetsAreBytes)
{
    const std::u16string source = u"<b>x\u00e9</b>";
    std::string bytes(reinterpret_cast<const char*>(source.data()), source.size() * 2);
    const auto tokens = Tokenize<unsigned short>(bytes, 1201);
    ASSERT_EQ(tokens.size(), 3u);
    EXPECT_EQ(tokens[0].start, 0u);
    EXPECT_EQ(tokens[0].end, 6u);
    EXPECT_EQ(tokens[1].kind, ELEMENT_TEXT);
    EXPECT_EQ(tokens[1].text, (VEK::WString{'x', 0xE9}));
    EXPECT_EQ(tokens[2].end, bytes.size());
    // An odd trailing byte is no unit; the same document through sliced streams agrees.
    for (unsigned slice : {1u, 7u, 4096u}) EXPECT_EQ(Tokenize<unsigned short>(bytes + "Z", 1201, slice), tokens);
}

TEST(HtmlStreamParser, SwappedSixteenBitInput)
{
    const std::u16string source = u"<SCRIPT>a<b</script>c";
    std::string bytes;
    for (char16_t unit : source) {
        bytes.push_back(static_cast<char>(unit >> 8));
        bytes.push_back(static_cast<char>(unit & 0xFF));
    }
    const auto tokens = Tokenize<unsigned short>(bytes, 1210);
    ASSERT_EQ(tokens.size(), 4u);
    EXPECT_EQ(tokens[1].kind, ELEMENT_RAW_TEXT);
    EXPECT_EQ(tokens[2].kind, ELEMENT_TAG);
    EXPECT_EQ(tokens[2].start, 22u);
    EXPECT_EQ(tokens[3].kind, ELEMENT_TEXT);
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
