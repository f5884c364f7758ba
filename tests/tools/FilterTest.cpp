// vekparse entities and convert, standard input to standard output.
#include <algorithm>

#include <gtest/gtest.h>

#include "Program.h"

namespace vektest {
namespace {

TEST(Entities, EachModeWorksLineByLineInUtf8)
{
    const std::string input = "a<b & \xC3\xA9 \xE2\x80\x94\n&amp;&lt;&#x42;&ampx;\nx?y=&eacute;&mdash;";
    EXPECT_EQ(Vekparse({"entities", "escape"}, input).out,
              "a&lt;b &amp; &eacute; &mdash;\n&amp;amp;&amp;lt;&amp;#x42;&amp;ampx;\nx?y=&amp;eacute;&amp;mdash;");
    EXPECT_EQ(Vekparse({"entities", "escape", "--keep-delimiters"}, "<\xC4\x81>\n").out, "<\xC4\x81>\n");
    EXPECT_EQ(Vekparse({"entities", "escape", "--numeric"}, "\xC4\x81\n").out, "&#257;\n");
    EXPECT_EQ(Vekparse({"entities", "unescape"}, input).out, "a<b & é —\n&<B&ampx;\nx?y=é—");
    // Each line is its own URI: the query part of the third line keeps references above 254.
    EXPECT_EQ(Vekparse({"entities", "unescape-uri"}, input).out, "a<b & é —\n&<B&ampx;\nx?y=é&mdash;");
    EXPECT_EQ(Vekparse({"entities", "unescape"}, "").out, "");
}

// Python's codecs are the independent reference for the conversion.
std::string Python(const std::string& script, const std::string& argument)
{
    TempDir dir;
    return Shell(test_support::PYTHON + " " + dir.Write("script.py", script) + " '" + argument + "'");
}

// Every printable byte the code page defines, many times over (beyond one 4096-byte read).
// Control bytes are left out: code pages such as 437 give them glyphs in one table and not in
// the other.
std::string DefinedBytes(const std::string& codec)
{
    return Python("import sys\n"
                  "ok = bytes(b for b in range(0x20, 256) if b != 0x7f and "
                  "bytes([b]).decode(sys.argv[1], 'replace') != '\\ufffd')\n"
                  "sys.stdout.buffer.write(ok * 40)\n",
                  codec);
}

// The first difference, instead of two long texts.
std::string FirstDifference(const std::string& a, const std::string& b)
{
    const std::size_t at = std::mismatch(a.begin(), a.begin() + std::min(a.size(), b.size()), b.begin()).first - a.begin();
    return a == b ? "" : "at " + std::to_string(at) + ": " + testing::PrintToString(a.substr(at, 12)) + " vs " +
                               testing::PrintToString(b.substr(at, 12));
}

// `bytes` decoded from one Python codec and encoded in another.
std::string PythonRecode(const std::string& bytes, const std::string& from, const std::string& to)
{
    TempDir dir;
    return Python("import sys\nname, source, target = sys.argv[1].split('|')\n"
                  "sys.stdout.buffer.write(open(name, 'rb').read().decode(source).encode(target))\n",
                  dir.Write("in", bytes) + "|" + from + "|" + to);
}

// One charset the library converts itself and one it leaves to ICU; the encoding test compares
// every named charset with ICU.
TEST(Convert, AgreesWithPythonOnEveryDefinedByteOfSingleByteCharsets)
{
    for (const auto& [name, codec] : {std::pair<std::string, std::string>{"1252", "cp1252"}, {"windows-1251", "cp1251"}}) {
        const std::string bytes = DefinedBytes(codec);
        ASSERT_GT(bytes.size(), 4096u) << codec;
        const Result result = Vekparse({"convert", "--from", name}, bytes);
        EXPECT_EQ(result.status, 0) << name;
        EXPECT_EQ(FirstDifference(result.out, PythonRecode(bytes, codec, "utf-8")), "") << name;
    }
}

TEST(Convert, MultiByteCharsetsAcrossReadBoundaries)
{
    std::string text;
    while (text.size() < 20000) text += "日本語のテキスト、ABC。中文 ";
    for (const auto& [name, codec] : {std::pair<std::string, std::string>{"shift_jis", "shift_jis"}, {"utf-8", "utf-8"}}) {
        const Result result = Vekparse({"convert", "--from", name}, PythonRecode(text, "utf-8", codec));
        EXPECT_EQ(result.status, 0) << name;
        EXPECT_EQ(FirstDifference(result.out, text), "") << name;
    }
}

} // namespace
} // namespace vektest
