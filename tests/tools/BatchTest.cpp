// The batch machinery of vekparse: exit statuses, inputs, order, failures, summary.
#include <cstdlib>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "Program.h"

namespace vektest {
namespace {

std::vector<std::string> Paths(const std::string& out)
{
    std::vector<std::string> paths;
    for (const nlohmann::json& object : JsonLines(out)) paths.push_back(object["path"]);
    return paths;
}

// The whole text of a file script(1) wrote.
std::string Typescript(const std::string& command, const std::string& log)
{
    EXPECT_EQ(std::system(("script -qec '" + command + "' " + log + " > /dev/null").c_str()), 0);
    return ReadFile(log);
}

TEST(Batch, WrongUsageExitsTwoWithTheUsage)
{
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{}, {"frobnicate"}, {"tokens"}, {"tokens", "--no-such-option", "x"}, {"tokens", "-j", "0", "x"},
          {"tokens", "--charset", "klingon", "x"}, {"tokens", "--charset", "4242", "x"}, {"entities", "sideways"}, {"convert"},
          {"tokens", "-", "-"}, {"tokens", "--files-from", "/nonexistent/list"}}) {
        const Result result = Vekparse(arguments);
        EXPECT_EQ(result.status, 2) << testing::PrintToString(arguments);
        EXPECT_NE(result.err.find("Usage:"), std::string::npos) << result.err;
        EXPECT_TRUE(result.out.empty());
    }
}

// Every command's options come from one table, so one HTML command and one standard-input one.
TEST(Batch, HelpAndVersion)
{
    for (const char* command : {"text", "convert"}) {
        const Result result = Vekparse({command, "--help"});
        EXPECT_EQ(result.status, 0) << command;
        EXPECT_NE(result.out.find("Usage:"), std::string::npos) << command;
    }
    const Result version = Vekparse({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "vekparse 1.7.0 (VEKParser170NT 1.7.0)\n");
}

TEST(Batch, FailingFilesAmidGoodOnesAreReportedAndTheRestGoesOn)
{
    TempDir dir;
    const std::string good1 = dir.Write("a.html", "<p>one</p>"), good2 = dir.Write("b.html", "<p>two</p>");
    const std::string missing = (dir.Path() / "missing.html").string();
    const Result result = Vekparse({"tokens", "--json", "-j", "2", good1, missing, dir.Path().string() + "/", good2});
    EXPECT_EQ(result.status, 1);
    const std::vector<std::string> errors = Lines(result.err);
    ASSERT_EQ(errors.size(), 2u) << result.err;  // the failure and the summary
    EXPECT_EQ(errors[0], "vekparse: " + missing + ": No such file or directory");
    EXPECT_EQ(errors[1].rfind("5 documents, 40 bytes, 1 failed, ", 0), 0u) << errors[1];
    EXPECT_EQ(Paths(result.out), (std::vector<std::string>{good1, dir.Path().string() + "/a.html", dir.Path().string() + "/b.html", good2}));
}

TEST(Batch, SpecialAndEmptyFilesNeitherHangNorStopTheBatch)
{
    TempDir dir;
    const std::string fifo = (dir.Path() / "fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string empty = dir.Write("empty.html", "");
    const Result result = Vekparse({"tokens", "--json", "-q", fifo, "/dev/null", empty});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "vekparse: " + fifo + ": not a regular file\nvekparse: /dev/null: not a regular file\n");
    EXPECT_EQ(result.out, "{\"path\":\"" + empty + "\",\"charset\":65001,\"charset_source\":\"utf8\",\"tokens\":[]}\n");
    // A directory walk passes special files by.
    EXPECT_EQ(Vekparse({"tokens", "--json", "-q", dir.Path().string()}).status, 0);
}

TEST(Batch, OutputOrderIsInputOrderWhateverTheThreads)
{
    TempDir dir;
    std::vector<std::string> arguments{"tokens", "--json", "--quiet"};
    std::vector<std::string> paths;
    for (int i = 0; i < 300; ++i) {
        // Sizes vary by a factor of a thousand, so that threads finish out of order.
        const std::string body(static_cast<std::size_t>(i % 7 == 0 ? 200000 : 200), 'x');
        paths.push_back(dir.Write("doc" + std::to_string(i) + ".html", "<p id=" + std::to_string(i) + ">" + body));
    }
    arguments.insert(arguments.end(), paths.begin(), paths.end());
    std::vector<std::string> one = arguments, two = arguments;
    one.insert(one.begin() + 1, {"-j", "1"});
    two.insert(two.begin() + 1, {"-j", "2"});
    const Result serial = Vekparse(one), parallel = Vekparse(two);
    ASSERT_EQ(serial.status, 0);
    ASSERT_EQ(parallel.status, 0);
    EXPECT_TRUE(parallel.err.empty()) << "--quiet: " << parallel.err;
    EXPECT_EQ(parallel.out, serial.out);
    EXPECT_EQ(Paths(parallel.out), paths);
}

TEST(Batch, DirectoriesAreWalkedSortedAndFilteredByGlob)
{
    TempDir dir;
    dir.Write("b/z.html", "z");
    dir.Write("b/a.htm", "a");
    dir.Write("a/deep/er/x.html", "x");
    dir.Write("notes.txt", "t");
    const std::string root = dir.Path().string();
    EXPECT_EQ(Paths(Vekparse({"tokens", "--json", "--glob", "*.html", root}).out),
              (std::vector<std::string>{root + "/a/deep/er/x.html", root + "/b/z.html"}));

    EXPECT_EQ(Paths(Vekparse({"tokens", "--json", "--glob", "*.htm*", "--glob", "b/*.htm", root}).out).size(), 3u);
}

TEST(Batch, FilesFromListAndStandardInput)
{
    TempDir dir;
    const std::string a = dir.Write("a.html", "<b>a</b>"), b = dir.Write("b.html", "<i>b</i>");
    const std::string list = dir.Write("list", a + "\n\n" + b + "\r\n");
    EXPECT_EQ(Paths(Vekparse({"tokens", "--json", "--files-from", list}).out), (std::vector<std::string>{a, b}));
    EXPECT_EQ(Paths(Vekparse({"tokens", "--json", "--files-from", "-"}, a + "\n").out), std::vector<std::string>{a});

    const Result document = Vekparse({"tokens", "--json", "-"}, "<em>from stdin</em>");
    const nlohmann::json object = JsonLines(document.out).at(0);
    EXPECT_EQ(object["path"], "-");
    EXPECT_EQ(object["tokens"][1]["text"], "from stdin");
}

// script(1) gives the program a terminal, the only place where a progress bar belongs.
TEST(Batch, ProgressBarOnlyOnATerminalAndErasedAfterwards)
{
    const std::string command = std::string(VEKPARSE_PROGRAM) + " tokens " + Sample("welcome.html") + " " +
                                Sample("latin.html");
    TempDir dir;
    const std::string log = (dir.Path() / "typescript").string();
    const std::string shown = Typescript(command, log);
    EXPECT_NE(shown.find(" 2/2 docs "), std::string::npos) << shown;
    EXPECT_NE(shown.find("\r\x1b[K2 documents, "), std::string::npos) << "the bar is erased before the summary";
    const std::string silent = Typescript(command + " --quiet", log);
    EXPECT_EQ(silent.find("docs"), std::string::npos);
    EXPECT_EQ(silent.find("\x1b"), std::string::npos);
}

TEST(Batch, ReadableOutputNamesEachDocumentWhenThereAreSeveral)
{
    TempDir dir;
    const std::string a = dir.Write("a.html", "<b>"), b = dir.Write("b.html", "<i>");
    EXPECT_EQ(Vekparse({"tokens", "-q", a}).out, "tag                 0 <b>\n");
    EXPECT_EQ(Vekparse({"tokens", "-q", a, b}).out,
              "==> " + a + " <==\ntag                 0 <b>\n==> " + b + " <==\ntag                 0 <i>\n");
}

} // namespace
} // namespace vektest
