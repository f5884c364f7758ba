// The batch machinery of vekparse: exit statuses, inputs, order, failures, summary.
#include <cstdlib>
#include <filesystem>

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

    // Files of /proc say they are empty, those of /sys that they hold 4096 bytes; both are read.
    for (const std::string pseudo : {"/proc/version", "/sys/kernel/cpu_byteorder"}) {
        const std::string bytes = ReadFile(pseudo);
        if (bytes.empty()) continue;
        const std::vector<nlohmann::json> objects = JsonLines(Vekparse({"tokens", "--json", pseudo}).out);
        ASSERT_EQ(objects.size(), 1u) << pseudo;
        EXPECT_EQ(objects[0]["tokens"].back()["end"], bytes.size()) << pseudo;
    }
}

// A directory walk reads regular files and links to them; it reports every other entry it
// passes by, and they do not make the run fail.
TEST(Batch, DirectoryWalkSaysWhatItSkips)
{
    TempDir dir;
    const std::string root = dir.Path().string();
    ASSERT_EQ(mkfifo((root + "/fifo").c_str(), 0600), 0);
    dir.Write("sub/page.html", "<p>x");
    std::filesystem::create_symlink("nowhere", root + "/dangling");
    std::filesystem::create_symlink("loop", root + "/loop");
    std::filesystem::create_symlink("sub", root + "/tosub");
    std::filesystem::create_symlink("sub/page.html", root + "/topage.html");
    const Result result = Vekparse({"tokens", "--json", root});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(Paths(result.out), (std::vector<std::string>{root + "/sub/page.html", root + "/topage.html"}));
    const std::vector<std::string> errors = Lines(result.err);
    ASSERT_EQ(errors.size(), 5u) << result.err;
    EXPECT_EQ(errors[0], "vekparse: " + root + "/dangling: skipped: dangling symbolic link");
    EXPECT_EQ(errors[1], "vekparse: " + root + "/fifo: skipped: not a regular file");
    EXPECT_EQ(errors[2], "vekparse: " + root + "/loop: skipped: Too many levels of symbolic links");
    EXPECT_EQ(errors[3], "vekparse: " + root + "/tosub: skipped: symbolic link to a directory, not followed");
    EXPECT_EQ(errors[4].rfind("2 documents, 8 bytes, 0 failed, 4 skipped, ", 0), 0u) << errors[4];
}

// A full disk must not pass for success; a batch stops at the first record it cannot write.
TEST(Batch, OutputThatCannotBeWrittenFailsTheRun)
{
    TempDir dir;
    const std::string page = dir.Write("a.html", "<p>text</p>");
    const struct {
        std::vector<std::string> arguments;
        std::string input;
        std::string lost;  // what the batch says it lost
    } cases[] = {
        {{"text", page}, {}, " (nothing from " + page + " on is written)\n1 documents, 11 bytes, 0 failed, 1 not written"},
        {{"asn1", Sample("sample-cert.der")}, {}, "1 not written"},
        {{"tokens", "--json", page}, {}, "1 not written"},
        {{"entities", "unescape"}, "a&amp;b", ""},
        {{"convert", "--from", "1252"}, "x", ""},
    };
    for (const auto& [arguments, input, lost] : cases) {
        const Result result = Vekparse(arguments, input, "/dev/full");
        EXPECT_EQ(result.status, 1) << arguments[0];
        EXPECT_EQ(result.err.rfind("vekparse: cannot write standard output: No space left on device", 0), 0u) << result.err;
        EXPECT_NE(result.err.find(lost), std::string::npos) << result.err;
    }
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
    // A list that cannot be read is no empty batch.
    const Result unreadable = Vekparse({"tokens", "--files-from", dir.Path().string()});
    EXPECT_EQ(unreadable.status, 2);
    EXPECT_NE(unreadable.err.find("cannot read the --files-from list " + dir.Path().string() + ": Is a directory"),
              std::string::npos) << unreadable.err;

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

// Line breaks, escape sequences, quotes, reordering marks and invalid UTF-8 in names: each line
// on standard error and each heading stays one line, with the name quoted so that bash reads
// back its exact bytes; JSON stays valid and carries the bytes of a name that is not UTF-8.
TEST(Batch, AwkwardNamesAreQuotedInLinesAndExactInJson)
{
    TempDir dir;
    const struct {
        std::string name;
        bool plain;  // shown as it is
        bool utf8;
    } cases[] = {{"plain-é.html", true, true},     {"new\nline.html", false, true}, {"\x1b[31mred", false, true},
                 {"it's a\tname", false, true},    {"bad\xff\xfe.html", false, false},
                 {"\xe2\x80\xaetxt.exe", false, true}};
    auto bashReads = [&](const std::string& quoted) { return Shell("bash " + dir.Write("echo.sh", "printf %s " + quoted)); };
    std::vector<std::string> missing{"tokens", "-q"}, present{"tokens", "-q"};
    for (const auto& c : cases) {
        missing.push_back(dir.Path().string() + "/missing-" + c.name);
        present.push_back(dir.Write(c.name, "<b>"));
    }
    const Result failed = Vekparse(missing);
    const std::vector<std::string> errors = Lines(failed.err);
    ASSERT_EQ(errors.size(), std::size(cases)) << failed.err;
    const std::string prefix = "vekparse: ", suffix = ": No such file or directory";
    for (std::size_t i = 0; i < errors.size(); ++i) {
        ASSERT_TRUE(errors[i].starts_with(prefix) && errors[i].ends_with(suffix)) << errors[i];
        const std::string quoted = errors[i].substr(prefix.size(), errors[i].size() - prefix.size() - suffix.size());
        EXPECT_EQ(bashReads(quoted), missing[i + 2]);
        EXPECT_EQ(quoted == missing[i + 2], cases[i].plain) << quoted;
    }
    EXPECT_EQ(failed.err.find('\x1b'), std::string::npos);

    const std::vector<std::string> lines = Lines(Vekparse(present).out);
    ASSERT_EQ(lines.size(), 2 * std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(bashReads(lines[2 * i].substr(4, lines[2 * i].size() - 8)), present[i + 2]) << lines[2 * i];

    present.push_back("--json");
    const std::vector<nlohmann::json> objects = JsonLines(Vekparse(present).out);
    ASSERT_EQ(objects.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        if (cases[i].utf8) {
            EXPECT_EQ(objects[i]["path"], present[i + 2]);
            EXPECT_FALSE(objects[i].contains("path_base64"));
        } else {
            EXPECT_EQ(objects[i]["path_base64"], Shell("base64 -w0 " + dir.Write("name", present[i + 2])));
        }
    }
}

} // namespace
} // namespace vektest
