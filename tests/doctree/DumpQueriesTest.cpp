#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include <VEKParser/foundation/Exceptions.h>
#include <VEKParser/host/WideStream.h>

#include "tests/doctree/ParsedDocument.h"

using namespace VEKParser;
using doctree_test::Parse;

namespace {

std::string DumpTree(HtmlDocTree& tree)
{
    std::ostringstream out;
    tree.DumpTree(out);
    return out.str();
}

std::string DumpLink(const HtmlDocTree& tree)
{
    std::basic_ostringstream<unsigned short> out;
    tree.DumpLink(out);
    return VEK::ToUtf8(out.str());
}

const char* const kHeading = "\n\nTOP OF TREE\n-----------\n\n";

TEST(DumpQueries, TreeDrawsEveryNodeWithItsParametersAndText)
{
    const auto tree = Parse("Hi<div>x<a href=l.html alt=A>go</a></div>");
    // Below the top a level is indented by 4 * depth - 1 blanks; a text line by 4 more.
    const std::string expected = std::string(kHeading) +
                                 "|\n"
                                 "o-- <document-master-node>\n"
                                 "|   |\n"
                                 "|   o-- orphan-text-block\n"
                                 "|       \"Hi\"\n"
                                 "|   |\n"
                                 "|   o-- <div>\n"
                                 "|       |\n"
                                 "|       o-- tag-text-block\n"
                                 "|           \"x\"\n"
                                 "|       |\n"
                                 "|       o-- <a>\n"
                                 "|           PARAM:  alt = \"A\"\n"
                                 "|           PARAM:  href = \"l.html\"\n"
                                 "|\n"
                                 "|           |\n"
                                 "|           o-- hidden-text-block ( 0x00010000 )\n"
                                 "|               \"A\"\n"
                                 "|           |\n"
                                 "|           o-- tag-text-block\n"
                                 "|               \"go\"\n";
    EXPECT_EQ(DumpTree(*tree), expected);
}

TEST(DumpQueries, EmptyTreeWritesTheHeadingOnly)
{
    HtmlDocTree tree;
    EXPECT_EQ(DumpTree(tree), kHeading);
}

TEST(DumpQueries, LinkDumpWritesOneTargetPerLine)
{
    const auto tree =
        Parse("<meta http-equiv=refresh content=\"0; url=r.html\"><a href=a.html>A</a><frame src=f.htm name=n>");
    EXPECT_EQ(DumpLink(*tree), "r.html\na.html\nf.htm\n");
    EXPECT_EQ(DumpLink(*Parse("<p>no links")), "");

    std::basic_ostringstream<unsigned short> padded;
    padded.imbue(VEK::WideStreamLocale());
    padded.fill('.');
    padded.width(8);
    Parse("<a href=x>y</a>")->DumpLink(padded);
    EXPECT_EQ(VEK::ToUtf8(padded.str()), ".......x\n") << "field width and fill apply as to any string";

    const auto unknown = Parse("<a href=x>y</a>", VEK::CHARSET_UNKNOWN);
    std::basic_ostringstream<unsigned short> out;
    EXPECT_THROW(unknown->DumpLink(out), ParserInvalidEncodingException);
}

} // namespace
