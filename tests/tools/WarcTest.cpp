// Web archives: scripts/make-warc builds them from python3-doc pages, with every HTTP coding, with
// records that are no documents and with the damage archives in the wild have.
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include "Program.h"

extern char** environ;

namespace vektest {
namespace {

// Builds the archive and returns what make-warc says a reader must find in it.
nlohmann::json MakeWarc(const std::string& out, const std::vector<std::string>& pages, const std::string& options)
{
    std::string command = test_support::PYTHON + " " VEKPARSER_SOURCE_DIR "/scripts/make-warc " + options + " " + out;
    for (const std::string& page : pages) command += " " + page;
    return nlohmann::json::parse(Shell(command));
}

std::string Summary(const Result& result) { return Lines(result.err).empty() ? "" : Lines(result.err).back(); }

TEST(Warc, RecordsAreTheirPagesWithTheirPlaceInTheArchive)
{
    const std::vector<std::string> pages = PythonDocPages(60);
    ASSERT_GE(pages.size(), 5u);
    const std::vector<nlohmann::json> loose = JsonPerFile({"text"}, pages);
    TempDir dir;
    for (const char* options : {"", "--gzip"}) {
        const std::string warc = (dir.Path() / "pages.warc").string();
        const nlohmann::json expect = MakeWarc(warc, pages, options);
        const Result result = Vekparse({"text", "--json", "-j", "2", warc});
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_NE(Summary(result).find(", 0 failed, skipped " + expect["skipped"].dump() + " records, "), std::string::npos)
            << Summary(result);
        const std::vector<nlohmann::json> records = JsonLines(result.out);
        ASSERT_EQ(records.size(), pages.size());
        for (std::size_t i = 0; i < pages.size(); ++i) {
            const nlohmann::json& document = expect["documents"][i];
            EXPECT_EQ(records[i]["text"], loose[i]["text"]) << pages[i] << " " << options;
            EXPECT_EQ(records[i]["url"], document["url"]);
            EXPECT_EQ(records[i]["path"], document["url"]);
            EXPECT_EQ(records[i]["warc_file"], warc);
            EXPECT_EQ(records[i]["warc_record_id"], document["record_id"]);
            EXPECT_EQ(records[i]["warc_offset"], document["offset"]);
            EXPECT_FALSE(records[i]["warc_date"].get<std::string>().empty());
        }
        EXPECT_EQ(Vekparse({"text", "--json", "-j", "1", warc}).out, result.out) << "the order of records";
        for (const char* command : {"links", "meta", "dump", "tokens"})
            EXPECT_EQ(JsonLines(Vekparse({command, "--json", "-q", warc}).out).size(), pages.size()) << command;
        // Every response record, the stylesheet included.
        const Result all = Vekparse({"meta", "--json", "--all-records", warc});
        EXPECT_EQ(JsonLines(all.out).size(), pages.size() + 1);
        EXPECT_NE(Summary(all).find("skipped " + std::to_string(expect["skipped"].get<int>() - 1) + " records"), std::string::npos);
    }
}

// The archived HTTP header gives the charset, the target URI the base of relative links.
TEST(Warc, TheResponseGivesCharsetAndAddress)
{
    TempDir dir;
    const std::string warc = (dir.Path() / "cyrillic.warc.gz").string();
    MakeWarc(warc, {Sample("cyrillic.html")}, "--gzip");
    const std::vector<nlohmann::json> records = JsonLines(Vekparse({"links", "--absolute", "--json", "-q", warc}).out);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]["charset"], 1251);
    EXPECT_EQ(records[0]["charset_source"], "http");
    EXPECT_EQ(records[0]["links"][0]["url"], "http://docs.example/archive.html");
}

// One error line per broken record, at the offset make-warc damaged; everything else is read.
TEST(Warc, BrokenArchivesLoseOnlyWhatIsBroken)
{
    const std::vector<std::string> pages = PythonDocPages(150);
    ASSERT_GE(pages.size(), 3u);
    TempDir dir;
    for (const char* damage : {"truncated-end", "truncated-middle", "length-long", "length-short", "garbage", "not-warc"}) {
        for (const std::string compression : {"", "--gzip"}) {
            const std::string warc = (dir.Path() / damage).string() + compression;
            const nlohmann::json expect = MakeWarc(warc, pages, compression + " --case " + damage);
            const Result result = Vekparse({"meta", "--json", "-j", "2", warc});
            const std::string label = damage + compression;
            EXPECT_EQ(result.status, 1) << label;
            const std::vector<std::string> errors = Lines(result.err);
            ASSERT_EQ(errors.size(), expect["errors"].size() + 1) << label << "\n" << result.err;
            for (std::size_t i = 0; i < expect["errors"].size(); ++i) {
                const std::string prefix = "vekparse: " + warc + ": offset " + expect["errors"][i]["offset"].dump() + ": " +
                                           expect["errors"][i]["reason"].get<std::string>();
                EXPECT_EQ(errors[i].rfind(prefix, 0), 0u) << label << ": " << errors[i] << " is not " << prefix;
            }
            std::vector<nlohmann::json> offsets, expected;
            for (const nlohmann::json& record : JsonLines(result.out)) offsets.push_back(record["warc_offset"]);
            for (const nlohmann::json& document : expect["documents"]) expected.push_back(document["offset"]);
            EXPECT_EQ(offsets, expected) << label;
        }
    }
}

// Peak resident memory of a run over `warc`, in kB. The records' metadata is small output, so
// that the batch's window of finished records (bounded, and filled more or less by chance) does
// not hide what the archive's size does.
long PeakMemory(const std::string& warc)
{
    // Under AddressSanitizer freed blocks wait in a quarantine that grows with all that was ever
    // allocated; without it the peak is what the program holds.
    setenv("ASAN_OPTIONS", "quarantine_size_mb=0:thread_local_quarantine_size_kb=0", 1);
    std::vector<std::string> all{VEKPARSE_PROGRAM, "meta", "--json", "-q", "-j", "2", warc};
    std::vector<char*> argv;
    for (std::string& argument : all) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    int status = -1;
    rusage usage{};
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) wait4(pid, &status, 0, &usage);
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(status, 0);
    return usage.ru_maxrss;
}

// The same pages and large binary records (inflated, then passed by) ten times over.
TEST(Warc, MemoryDoesNotGrowWithTheArchive)
{
    const std::vector<std::string> pages = PythonDocPages(100);
    TempDir dir;
    const std::string small = (dir.Path() / "30MB.warc.gz").string(), large = (dir.Path() / "300MB.warc.gz").string();
    const std::string filler = " --gzip --filler " + std::to_string(30'000'000 / 10 / pages.size());
    const auto documents = MakeWarc(small, pages, "--repeat 10" + filler)["documents"].get<int>();
    EXPECT_EQ(MakeWarc(large, pages, "--repeat 100" + filler)["documents"], documents * 10);
    // Records in flight between two threads make the peak wander by a few MB from run to run;
    // an archive held whole would add hundreds.
    const long base = std::min(PeakMemory(small), PeakMemory(small));
    const long peak = std::min(PeakMemory(large), PeakMemory(large));
    EXPECT_LT(peak, base * 1.5) << base << " kB for 30 MB";
}

} // namespace
} // namespace vektest
