#include <VEKParser/html/vocabulary/HtmlEntities.h>

#include <sstream>

#include <gtest/gtest.h>

#include "tests/Support.h"
#include "tests/vocabulary/Oracle.h"

namespace {

using VEKParser::HtmlEntities;

const HtmlEntities& Entities() { return *HtmlEntities::GetInstance(); }

VEK::WString Escaped(const VEK::WString& in, bool delimiters, bool above255)
{
    VEK::WString out;
    Entities().Escape(in, out, delimiters, above255);
    return out;
}

VEK::WString Unescaped(const VEK::WString& in)
{
    VEK::WString out;
    Entities().Unescape(in, out);
    return out;
}

TEST(HtmlEntities, EscapeWritesPreferredNames)
{
    const struct {
        const char16_t* in;
        bool delimiters, above255;
        const char16_t* out;
    } cases[] = {
        {u"a<b & \u00E9", false, false, u"a<b & &eacute;"},  {u"a<b & \u00E9", true, false, u"a&lt;b &amp; &eacute;"},
        {u"\"'", false, false, u"&quot;'"},                   {u"\t\n\r\u0001\u0085\u007F", false, false, u"\t\n\r   "},
        {u"\u0101", false, true, u"&#257;"},                  {u"\u0101", false, false, u"\u0101"},
        {u"\u2666\u2260", false, false, u"&diams;&ne;"},      {u"\u2667", false, true, u"&#9831;"},
        {u"\uFFFF", false, true, u"&#65535;"},                {u"\u00FF", false, true, u"&yuml;"},
    };
    for (const auto& c : cases) EXPECT_EQ(Escaped(W(c.in), c.delimiters, c.above255), W(c.out)) << VEK::ToUtf8(W(c.in));
    VEK::WString out = W(u"x");
    Entities().Escape(static_cast<unsigned short>('&'), out, true, false);
    EXPECT_EQ(out, W(u"x&amp;")) << "escaping appends";
}

TEST(HtmlEntities, UnescapeNamedNumericAndTruncatedReferences)
{
    const std::pair<const char16_t*, const char16_t*> cases[] = {
        {u"&amp;&lt;&gt;", u"&<>"}, {u"&AMP;", u"&"}, {u"&amp", u"&"}, {u"&ampx;", u"&ampx;"},
        {u"&thetasym;", u"\u03D1"}, {u"&thetasymx;", u"&thetasymx;"}, {u"&sup2;", u"\u22832;"},
        {u"&frac14;", u"&frac14;"}, {u"&emdash;&percent;", u"\u2014%"},
        {u"&#65;&#x42;&#X43;", u"ABC"}, {u"&#150;&#x96;", u"\u2013\u2013"}, {u"&#128;&#129;", u"\u20AC\u0081"},
        {u"&#0;&#;&#xg;", u"&#0;&#;&#xg;"}, {u"&#x10041;", u"A"},  // only the low 16 bits remain
        {u"&#x123456789;", u"&#x123456789;"}, {u"&#99999999999;", u"&#99999999999;"},
        {u"&#9999999999;", u"&#9999999999;"},  // beyond the int range
        {u"&#55296;", u"\xD800"},
        {u"&", u"&"}, {u"&#", u"&#"}, {u"&#x", u"&#x"}, {u"&#X", u"&#X"}, {u"a&", u"a&"}, {u"&a", u"&a"},
        {u"&#1", u"\u0001"}, {u"&#x4", u"\u0004"},
    };
    for (const auto& [in, expected] : cases) EXPECT_EQ(Unescaped(W(in)), W(expected)) << VEK::ToUtf8(W(in));
    VEK::WString out;
    EXPECT_TRUE(Entities().Unescape(W(u"&lt;"), out));
    EXPECT_FALSE(Entities().Unescape(W(u"&ampx;"), out));
    EXPECT_EQ(out, W(u"<&ampx;")) << "unescaping appends and says whether it replaced";
    VEK::WString withNul = W(u"&amp;");
    withNul.insert(withNul.begin() + 1, 0);
    EXPECT_EQ(Unescaped(withNul), withNul);
}

TEST(HtmlEntities, UnescapeUriRequiresSemicolonsAndLimitsTheQuery)
{
    const std::pair<const char16_t*, const char16_t*> cases[] = {
        {u"a&amp;b", u"a&b"}, {u"a&ampb", u"a&ampb"}, {u"x?y=&eacute;", u"x?y=\u00E9"},
        {u"x?y=&mdash;", u"x?y=&mdash;"}, {u"x?y=&#255;&#254;", u"x?y=&#255;\u00FE"}, {u"x?", u"x"},
        {u"?a&lt;", u"?a<"}, {u"", u""},
    };
    for (const auto& [in, expected] : cases) {
        VEK::WString out;
        Entities().UnescapeURI(W(in), out);
        EXPECT_EQ(out, W(expected)) << VEK::ToUtf8(W(in));
    }
}

// Every HTML 4.01 name, checked against Python's own table: Escape writes it and Unescape reads
// it back, except names with digits, which the reader cannot take whole.
TEST(HtmlEntities, AgreesWithPythonsHtml4Table)
{
    const test_support::Output table = test_support::Run(
        test_support::PYTHON +
        " -c \"import html.entities as e; [print(n, c) for n, c in e.name2codepoint.items()]\" 2>/dev/null");
    if (!table.ok) GTEST_SKIP() << "python3 is not available";
    std::istringstream lines(table.text);
    std::string name;
    unsigned int code;
    int count = 0;
    while (lines >> name >> code) {
        ++count;
        const VEK::WString reference = VEK::Widen(("&" + name + ";").c_str());
        const VEK::WString character(1, static_cast<unsigned short>(code));
        const bool delimiter = code == '<' || code == '>' || code == '&';
        EXPECT_EQ(Escaped(character, delimiter, delimiter), reference) << name;
        if (name.find_first_of("0123456789") == std::string::npos) EXPECT_EQ(Unescaped(reference), character) << name;
        else EXPECT_NE(Unescaped(reference), character) << name;
    }
    EXPECT_EQ(count, 252);
}

} // namespace
