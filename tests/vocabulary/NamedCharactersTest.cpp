#include <VEKParser/html/vocabulary/NamedCharacters.h>

#include <sstream>
#include <vector>

#include <gtest/gtest.h>

#include <VEKParser/foundation/Exceptions.h>

#include "tests/Support.h"
#include "tests/vocabulary/Oracle.h"

namespace {

using VEKParser::ExpandCharacterReferences;
using VEKParser::ExpandUriCharacterReferences;

// Expanded from an exactly sized heap copy, so that a read past the end is caught by ASan.
VEK::WString Expanded(const std::string& bytes, bool latin1Only = false, VEK::CHARSET charset = VEK::CHARSET_UTF8)
{
    const std::vector<char> exact(bytes.begin(), bytes.end());
    VEK::WString out;
    ExpandCharacterReferences(charset, exact.data(), static_cast<unsigned int>(exact.size()), out, latin1Only);
    return out;
}

VEK::WString ExpandedUri(const std::string& text)
{
    VEK::WString out;
    ExpandUriCharacterReferences(VEK::CHARSET_UTF8, text, out);
    return out;
}

unsigned short Lookup(const char16_t* reference) { return VEKParser::LookupCharacterReference(W(reference).c_str()); }

TEST(NamedCharacters, LookupOfNamesAndCodes)
{
    const std::pair<const char16_t*, unsigned short> cases[] = {
        {u"&amp", '&'}, {u"&Alpha", 0x391}, {u"&alpha", 0x3B1}, {u"&#233", 233}, {u"&#150", 0x2013}, {u"&#9", 9},
        {u"&#8212", 0x2014},  // codes of named characters above 255
        {u"&#13", 0}, {u"&#8364", 0}, {u"&#0", 0}, {u"&#", 0}, {u"&#-65", 0}, {u"&#99999999999999999999", 0},
        {u"&", 0}, {u"z65", 0} /* placeholders have no usable name */, {u"&fnof", 0},
    };
    for (const auto& [reference, code] : cases) EXPECT_EQ(Lookup(reference), code) << VEK::ToUtf8(W(reference));
}

TEST(NamedCharacters, ExpandResolvesNamedAndDecimalReferences)
{
    const std::pair<std::string, const char16_t*> cases[] = {
        // Named references, with or without a semicolon.
        {"a &amp; b", u"a & b"}, {"a &amp b", u"a & b"}, {"&AMP;", u"&AMP;"}, {"&and;&or;", u"\u2227\u2228"},
        {"&perp;&fnof;&euro;", u"&perp;&fnof;&euro;"}, {"&thetasym;", u"\u03D1"},
        {"&abcdefghijklmn;", u"&abcdefghijklmn;"}, {"&frac14;", u"&frac14;"}, {"&sup2;", u"\u22832;"},
        {"&;", u"&;"}, {"&amp;amp;", u"&amp;"}, {"x&amp", u"x&"},
        // Decimal references only.
        {"&#233;&#0233;", u"\u00E9\u00E9"}, {"&#13;&#8364;", u"&#13;&#8364;"},
        {"&#150;&#128;&#141;", u"\u2013\u0080\u008D"}, {"&#x41;", u"&#x41;"},
        // Truncated and out of range.
        {"&", u"&"}, {"&#", u"&#"}, {"&#x", u"&#x"}, {"&#99999999999;", u"&#99999999999;"},
        {"&#55296;", u"&#55296;"}, {"&#1114112;", u"&#1114112;"}, {"x&#", u"x&#"}, {"&a", u"&a"},
        {"&" + std::string(40, 'a'), nullptr},
        // Invalid UTF-8 gives replacement characters; a letter that is no name stays.
        {"\xFF&amp;\xC3", u"\uFFFD&\uFFFD"}, {"\xE2\x82&lt;", u"\uFFFD\uFFFD<"}, {"&\xC3\xA9", u"&\u00E9"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(Expanded(text), expected ? W(expected) : VEK::Widen(text.c_str())) << text;
    // NUL bytes: text that starts with one is left as converted.
    EXPECT_EQ(Expanded(std::string("a\0&amp;", 7)), W(u"a") + VEK::WString(1, 0) + W(u"&"));
    EXPECT_EQ(Expanded(std::string("\0&amp;", 6)), VEK::WString(1, 0) + W(u"&amp;"));
    EXPECT_EQ(Expanded(std::string("&\0", 2)), W(u"&") + VEK::WString(1, 0));
    // Latin-1 only keeps references above 255.
    EXPECT_EQ(Expanded("&nbsp;", true), W(u"\u00A0"));
    EXPECT_EQ(Expanded("&mdash;", true), W(u"&mdash;"));
}

TEST(NamedCharacters, ExpandAppendsAndResolvesTheWholeOutput)
{
    VEK::WString out;
    ExpandCharacterReferences(VEK::CHARSET_UTF8, std::string("&amp;amp;"), out, false);
    EXPECT_EQ(out, W(u"&amp;"));
    ExpandCharacterReferences(VEK::CHARSET_UTF8, std::string(" &lt;"), out, false);
    EXPECT_EQ(out, W(u"& <"));
    out = W(u"&amp;");
    ExpandCharacterReferences(VEK::CHARSET_UTF8, std::string(" x"), out, false);
    EXPECT_EQ(out, W(u"& x"));
}

// Texts are widened in groups of sixteen, eight or four bytes while they are ASCII, the last
// group overlapping the one before: a reference or a non-ASCII character at every place of
// texts around those widths.
TEST(NamedCharacters, ReferencesAndNonAsciiAtEveryPlace)
{
    const std::pair<std::string, VEK::WString> inserts[] = {
        {"&lt;", W(u"<")}, {"\xC3\xA9", W(u"\u00E9")}, {"&#233\xC3\xA9&", W(u"\u00E9\u00E9&")}};
    for (std::size_t length = 0; length <= 40; ++length)
        for (std::size_t at = 0; at <= length; ++at)
            for (const auto& [insert, expected] : inserts) {
                const std::string text = std::string(at, 'a') + insert + std::string(length - at, 'b');
                EXPECT_EQ(Expanded(text), VEK::WString(at, 'a') + expected + VEK::WString(length - at, 'b')) << text;
            }
}

TEST(NamedCharacters, UriQueryPartResolvesOnlyLatin1)
{
    EXPECT_EQ(ExpandedUri("a.html?x=1&amp;y=&mdash;"), W(u"a.html?x=1&y=&mdash;"));
    EXPECT_EQ(ExpandedUri("a&mdash;b?c"), W(u"a\u2014b?c"));
    EXPECT_EQ(ExpandedUri("a.html?"), W(u"a.html"));
    EXPECT_EQ(ExpandedUri("?&amp"), W(u"?&"));
}

TEST(NamedCharacters, UnknownCharsetThrowsBeforeConverting)
{
    VEK::WString out = W(u"kept");
    EXPECT_THROW(ExpandCharacterReferences(VEK::CHARSET_UNKNOWN, std::string("x"), out, false),
                 VEKParser::ParserInvalidEncodingException);
    EXPECT_EQ(out, W(u"kept"));
}

// The same references written in each charset the library names, and in two it reaches only
// through the general converter.
TEST(NamedCharacters, ReferencesInEveryCharset)
{
    const VEK::WString source = W(u"x &amp; &#233; &eacute;&lt;\u00E9");
    const VEK::WString expected = W(u"x & \u00E9 \u00E9<\u00E9");
    // Each unit of the source as `width` bytes, most significant first or last.
    const auto units = [&](std::size_t width, bool bigEndian) {
        std::string bytes;
        for (const unsigned short c : source)
            for (std::size_t i = 0; i < width; ++i) {
                const std::size_t shift = 8 * (bigEndian ? width - 1 - i : i);
                bytes.push_back(static_cast<char>(shift < 16 ? c >> shift : 0));
            }
        return bytes;
    };
    const std::pair<std::string, VEK::CHARSET> cases[] = {
        {"x &amp; &#233; &eacute;&lt;\xC3\xA9", VEK::CHARSET_UTF8}, {units(1, false), VEK::CHARSET_WINDOWS_1252},
        {units(2, false), VEK::CHARSET_UTF16},   {units(2, true), VEK::CHARSET_UTF16_SWAPPED},
        {units(4, true), VEK::CHARSET_UCS4},     {units(1, false), static_cast<VEK::CHARSET>(28591)},
    };
    for (const auto& [bytes, charset] : cases) EXPECT_EQ(Expanded(bytes, false, charset), expected) << charset;
    EXPECT_EQ(Expanded("x &amp; &#233;", false, VEK::CHARSET_US_ASCII), W(u"x & \u00E9"));
    EXPECT_EQ(Expanded("\x82\xA0&amp;\x82\xA2", false, static_cast<VEK::CHARSET>(932)), W(u"\u3042&\u3044"));
    EXPECT_EQ(Expanded("\x80&#128;", false, VEK::CHARSET_WINDOWS_1252), W(u"\u20AC\u0080"));
}

// Text longer than one conversion area, with references across its seams.
TEST(NamedCharacters, LongTextsConvertPieceByPiece)
{
    std::string text;
    VEK::WString expected;
    for (int i = 0; i < 3000; ++i) {
        text += "\xC3\xA9&lt;";
        expected += W(u"\u00E9<");
    }
    EXPECT_EQ(Expanded(text), expected);
}

// Real pages, expanded as UTF-8 and as Windows-1252, against Python's decoder and html.unescape.
TEST(NamedCharacters, AgreesWithPythonOnRealPages)
{
    const char* pages[] = {"library/stdtypes.html", "library/html.parser.html", "tutorial/introduction.html"};
    for (const char* page : pages) {
        const std::string path = test_support::PYTHON_DOC + "/" + page;
        const std::string bytes = test_support::ReadFile(path);
        if (bytes.empty()) GTEST_SKIP() << path << " is not installed";
        for (const VEK::CHARSET charset : {VEK::CHARSET_UTF8, VEK::CHARSET_WINDOWS_1252}) {
            std::ostringstream command;
            command << test_support::PYTHON << " " << VEKPARSER_SOURCE_DIR << "/tests/vocabulary/unescape_page.py " << path << ' '
                    << static_cast<int>(charset) << " 2>/dev/null";
            const test_support::Output oracle = test_support::Run(command.str());
            if (!oracle.ok) GTEST_SKIP() << "python3 is not available";
            VEK::WString out;
            ExpandCharacterReferences(charset, bytes, out, false);
            EXPECT_EQ(out, FromUtf16Le(oracle.text)) << page << " in " << static_cast<int>(charset);
        }
    }
}

} // namespace
