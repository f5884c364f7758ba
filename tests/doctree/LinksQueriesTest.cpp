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

TEST(LinksQueries, TargetsLoseLineBreaksAndSurroundingBlanks)
{
    EXPECT_EQ(LinksOf("<a href=\" two\n lines.html \">x</a>"), (Links{{"two lines.html", "x"}}));
}

TEST(LinksQueries, RedirectComesFirstAndBaseIsKept)
{
    const auto tree = Parse("<head><meta http-equiv=refresh content=\"5; url=next.html\"><base href=\"http://h/d/\">"
                            "</head><a href=rel.html>r</a>");
    EXPECT_EQ(LinksOf(*tree), (Links{{"next.html", ""}, {"rel.html", "r"}})) << "relative links stay relative";
    VEK::WString uri;
    tree->GetMetaRedirectUri(uri);
    EXPECT_EQ(Utf8(uri), "next.html");
    tree->GetBaseUri(uri);
    EXPECT_EQ(Utf8(uri), "http://h/d/");

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

TEST(LinksQueries, MetaValuesAndSummary)
{
    const auto tree = Parse("<title>A &amp; B</title><meta name=Author content=\"Ann\"><meta name=author content=Bob>"
                            "<meta name=\"dc.creator\" content=Cy><meta name=keywords content=\"k1, k2\">"
                            "<meta name=subject content=S1><meta name=dc.subject content=S2>"
                            "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">");
    VEK::WString value;
    tree->GetMetaInfo(value, "AUTHOR");
    EXPECT_EQ(Utf8(value), "Ann") << "names compare without case; the first wins";
    tree->GetMetaInfo(value, "missing");
    EXPECT_TRUE(value.empty());
    tree->GetMetaCharset(value);
    EXPECT_EQ(Utf8(value), "iso-8859-1");

    std::vector<std::string> names;
    for (auto it = tree->GetMetaMapBegin(); it != tree->GetMetaMapEnd(); ++it) names.push_back(it->first);
    EXPECT_EQ(names, (std::vector<std::string>{"Author", "dc.creator", "dc.subject", "keywords", "subject"}))
        << "keys as first written, in case-insensitive order";

    HtmlDocTree::DocSummaryInformation summary;
    tree->GetSummaryInformation(summary);
    EXPECT_EQ(Utf8(summary.m_sTitle), "A & B");
    EXPECT_EQ(Utf8(summary.m_sAuthor), "Ann, Bob, Cy");
    EXPECT_EQ(Utf8(summary.m_sKeywords), "k1, k2");
    EXPECT_EQ(Utf8(summary.m_sSubject), "S1\nS2");

    HtmlDocTree::DocSummaryInformation fresh;
    HtmlDocTree().GetSummaryInformation(fresh);
    EXPECT_TRUE(fresh.m_sTitle.empty() && fresh.m_sSubject.empty() && fresh.m_sAuthor.empty() &&
                fresh.m_sKeywords.empty());
}

} // namespace
