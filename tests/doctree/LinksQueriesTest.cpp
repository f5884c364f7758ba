#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include <VEKParser/foundation/Exceptions.h>

#include "tests/doctree/ParsedDocument.h"

using namespace VEKParser;
using doctree_test::Parse;
using doctree_test::Utf8;

namespace {

using Links = std::vector<std::pair<std::string, std::string>>;

Links LinksOf(const HtmlDocTree& tree)
{
    std::vector<HtmlDocTree::LinkCaption> links;
    tree.GetLinks(links);
    Links out;
    for (const auto& link : links) out.emplace_back(Utf8(link.m_sUri), Utf8(link.m_sCaption));
    return out;
}

Links LinksOf(const std::string& html) { return LinksOf(*Parse(html)); }

TEST(LinksQueries, AnchorCaptionsComeFromNestedText)
{
    EXPECT_EQ(LinksOf("<a href=x>Go   home</a>"), (Links{{"x", "Go home"}}));
    EXPECT_EQ(LinksOf("<a href=x alt=A>B</a>"), (Links{{"x", "AB"}})) << "alt, then the text, without a separator";
    EXPECT_EQ(LinksOf("<a href=x> Go <b> far </b> away</a>"), (Links{{"x", "Gofaraway"}}))
        << "each text is trimmed on its own";
    EXPECT_EQ(LinksOf("<a href=x>one<br>two<div>three</div></a>"), (Links{{"x", "one\ntwo\nthree\n"}}))
        << "captions keep the real line breaks of spacing keywords";
    EXPECT_EQ(LinksOf("before <a href=x name=n class=c>in</a> after"), (Links{{"x", "in"}}));
}

TEST(LinksQueries, EveryLinkBearingKeywordGivesOneEntry)
{
    EXPECT_EQ(LinksOf("<frame src=f.htm name=main>"), (Links{{"f.htm", "main"}}));
    EXPECT_EQ(LinksOf("<iframe src=i.htm name=side>"), (Links{{"i.htm", "side"}}));
    EXPECT_EQ(LinksOf("<link href=s.css title=\"Main  style\">"), (Links{{"s.css", "Main style"}}));
    EXPECT_EQ(LinksOf("<map><area href=a.htm alt=zone></map>"), (Links{{"a.htm", ""}}));
    EXPECT_EQ(LinksOf("<form action=/cgi>Send</form>"), (Links{{"/cgi", ""}}));
    EXPECT_TRUE(LinksOf("<img src=p.png alt=pic>").empty()) << "an image's src is no link";
    EXPECT_TRUE(LinksOf("<a name=top>anchor without a target</a>").empty());
    EXPECT_TRUE(LinksOf("<a href=\"  \">blank</a>").empty());
}

TEST(LinksQueries, LinksComeInPostOrderWithTheirTargetsAsWritten)
{
    const Links links = LinksOf("<a href=\"../up.html#frag\">Up</a><form action=\"go?\"><a href=\"in\">In</a>"
                                "</form><a href=\"a.html?x=1&amp;y=&mdash;\">Q</a><a href=\"&eacute;.html\">E</a>");
    EXPECT_EQ(links, (Links{{"../up.html#frag", "Up"},
                            {"in", "In"},
                            {"go", ""},
                            {"a.html?x=1&y=&mdash;", "Q"},
                            {"\u00e9.html", "E"}}));
}

TEST(LinksQueries, RedirectComesFirstAndRelativeLinksStayRelative)
{
    EXPECT_EQ(LinksOf("<head><meta http-equiv=refresh content=\"5; url=next.html\"><base href=\"http://h/d/\">"
                      "</head><a href=rel.html>r</a>"),
              (Links{{"next.html", ""}, {"rel.html", "r"}}));
    EXPECT_EQ(LinksOf("<meta http-equiv=refresh content=\"0;URL=only.html\">"), (Links{{"only.html", ""}}));
}

TEST(LinksQueries, GetLinksAppends)
{
    const auto tree = Parse("<a href=x>y</a>");
    std::vector<HtmlDocTree::LinkCaption> links(1);
    tree->GetLinks(links);
    tree->GetLinks(links);
    ASSERT_EQ(links.size(), 3u);
    EXPECT_EQ(Utf8(links[2].m_sUri), "x");
}

TEST(LinksQueries, UnknownCharsetFailsAtTheFirstDecoding)
{
    const auto tree = Parse("<a href=x>y</a>", VEK::CHARSET_UNKNOWN);
    std::vector<HtmlDocTree::LinkCaption> links;
    EXPECT_THROW(tree->GetLinks(links), ParserInvalidEncodingException);
    EXPECT_NO_THROW(LinksOf(*Parse("<p>no links", VEK::CHARSET_UNKNOWN)));
}

// The document values are copies that replace what the output held.
TEST(LinksQueries, UnsetDocumentValuesReadAsEmpty)
{
    const auto tree = Parse("<meta name=author content=Ann><p>x");
    VEK::WString value = VEK::Widen("old");
    tree->GetMetaInfo(value, "missing");
    EXPECT_TRUE(value.empty());
    value = VEK::Widen("old");
    tree->GetBaseUri(value);
    EXPECT_TRUE(value.empty());
    value = VEK::Widen("old");
    tree->GetMetaCharset(value);
    EXPECT_TRUE(value.empty());

    HtmlDocTree::DocSummaryInformation summary{VEK::Widen("t"), VEK::Widen("s"), VEK::Widen("a"), VEK::Widen("k")};
    HtmlDocTree().GetSummaryInformation(summary);
    EXPECT_TRUE(summary.m_sTitle.empty() && summary.m_sSubject.empty() && summary.m_sAuthor.empty() &&
                summary.m_sKeywords.empty());
}

} // namespace
