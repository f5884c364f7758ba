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

TEST(LinksQueries, EachLinkBearingKeywordGivesItsTargetAndCaption)
{
    const std::pair<std::string, Links> cases[] = {
        // Anchor captions: alt, then the text, without a separator; each text trimmed on its own;
        // the real line breaks of spacing keywords kept.
        {"<a href=x>Go   home</a>", {{"x", "Go home"}}},
        {"<a href=x alt=A>B</a>", {{"x", "AB"}}},
        {"<a href=x> Go <b> far </b> away</a>", {{"x", "Gofaraway"}}},
        {"<a href=x>one<br>two<div>three</div></a>", {{"x", "one\ntwo\nthree\n"}}},
        {"before <a href=x name=n class=c>in</a> after", {{"x", "in"}}},
        {"<frame src=f.htm name=main>", {{"f.htm", "main"}}},
        {"<iframe src=i.htm name=side>", {{"i.htm", "side"}}},
        {"<link href=s.css title=\"Main  style\">", {{"s.css", "Main style"}}},
        {"<map><area href=a.htm alt=zone></map>", {{"a.htm", ""}}},
        {"<form action=/cgi>Send</form>", {{"/cgi", ""}}},
        {"<img src=p.png alt=pic>", {}},
        {"<a name=top>anchor without a target</a>", {}},
        {"<a href=\"  \">blank</a>", {}},
        // Post order, targets as written but for their references.
        {"<a href=\"../up.html#frag\">Up</a><form action=\"go?\"><a href=\"in\">In</a></form>"
         "<a href=\"a.html?x=1&amp;y=&mdash;\">Q</a><a href=\"&eacute;.html\">E</a>",
         {{"../up.html#frag", "Up"}, {"in", "In"}, {"go", ""}, {"a.html?x=1&y=&mdash;", "Q"}, {"\u00e9.html", "E"}}},
        // The redirect comes first; relative links stay relative.
        {"<head><meta http-equiv=refresh content=\"5; url=next.html\"><base href=\"http://h/d/\"></head>"
         "<a href=rel.html>r</a>",
         {{"next.html", ""}, {"rel.html", "r"}}},
        {"<meta http-equiv=refresh content=\"0;URL=only.html\">", {{"only.html", ""}}},
    };
    for (const auto& [html, links] : cases) EXPECT_EQ(LinksOf(html), links) << html;
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
