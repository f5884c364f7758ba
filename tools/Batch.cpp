#include "Batch.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <exception>
#include <mutex>
#include <new>
#include <optional>
#include <thread>

#include <fmt/format.h>

#include <VEKParser/foundation/Exceptions.h>
#include <VEKParser/host/Exception.h>
#include <VEKParser/host/MappedFile.h>

#include "DocumentFeed.h"
#include "Progress.h"
#include "Quoting.h"
#include "RecordWriter.h"

namespace vekparse {

namespace {

// What the line on standard error says before the note, by Outcome::Kind.
constexpr const char* NOTE_LABELS[] = {"", "incomplete: ", "", "skipped: "};

// The library's exceptions carry no text: the class tells what happened.
std::string Reason(const std::string& path)
{
    try {
        throw;
    } catch (const VEKFile::FileOpenException& e) {
        const std::string text = VEK::ToUtf8(e.What());
        return text.starts_with(path + ": ") ? text.substr(path.size() + 2) : text;
    } catch (const VEKParser::ParserInvalidEncodingException&) {
        return "the document's charset is unknown";
    } catch (const VEKParser::ASNPrematureEOFException&) {
        return "BER data ends inside a value";
    } catch (const VEKParser::ASNEOFException&) {
        return "no BER value";
    } catch (const VEKParser::ASNEOCException&) {
        return "end-of-contents octets outside an indefinite-length value";
    } catch (const VEKParser::ASNException&) {
        return "invalid BER data";
    } catch (const VEK::BinaryStreamException&) {
        return "unexpected end of data";
    } catch (const VEK::BaseException& e) {
        return e.What().empty() ? "the library failed" : VEK::ToUtf8(e.What());
    } catch (const std::bad_alloc&) {
        return "out of memory";
    } catch (const std::exception& e) {
        return e.what();
    }
}

// Runs the job and finishes its record; `failed` gives the note of a failure.
template <class Failure>
Outcome Run(Document& document, Record& record, const DocumentJob& job, Failure failed)
{
    Outcome outcome;
    try {
        job(document, record);
        if (!record.Incomplete().empty()) outcome = {Outcome::Incomplete, {}, record.Incomplete()};
        outcome.output = record.Finish();
    } catch (...) {
        outcome = {Outcome::Failed, {}, failed()};
    }
    return outcome;
}

Outcome Process(const Input& input, const DocumentJob& job, bool json, bool header, std::atomic<std::uint64_t>& bytes)
{
    if (input.kind == Input::Kind::Skipped) return {Outcome::Skipped, {}, input.error};
    const auto failed = [&] { return Reason(input.path); };
    try {
        Document document(input);
        bytes += document.Bytes().size();
        Record record(json, input.path, header);
        return Run(document, record, job, failed);
    } catch (...) {
        return {Outcome::Failed, {}, failed()};
    }
}

// A record of a web archive: its notes give the record's offset in the archive.
Outcome Process(const std::string& archive, WarcRecord& warc, const DocumentJob& job, bool json,
                std::atomic<std::uint64_t>& bytes)
{
    const std::string at = fmt::format("offset {}: ", warc.offset);
    if (!warc.error.empty()) return {Outcome::Failed, {}, at + warc.error};
    bytes += warc.body.size();
    Document document(warc.targetUri, std::move(warc.body), warc.HttpCharset());
    Record record(json, warc.targetUri, true);
    if (json) {
        record.Fields()["url"] = warc.targetUri;
        record.Fields()["warc_file"] = archive;
        record.Fields()["warc_record_id"] = warc.recordId;
        record.Fields()["warc_date"] = warc.date;
        record.Fields()["warc_offset"] = warc.offset;
    }
    Outcome outcome = Run(document, record, job, [&] { return at + Reason(archive); });
    if (outcome.kind == Outcome::Incomplete) outcome.note = at + outcome.note;
    return outcome;
}

Outcome Process(FeedItem& item, const DocumentJob& job, bool json, bool header, std::atomic<std::uint64_t>& bytes)
{
    if (!item.error.empty()) return {Outcome::Failed, {}, item.error};
    try {
        if (item.record) return Process(item.input->path, *item.record, job, json, bytes);
    } catch (...) {
        return {Outcome::Failed, {}, Reason(item.input->path)};
    }
    return Process(*item.input, job, json, header, bytes);
}

// Workers take documents in input order (a web archive's records one by one) and may run at
// most a window ahead of the writer, so memory stays bounded on a million inputs or a gigabyte
// archive, and one slow document holds up nobody's parsing.
class OrderedBatch {
public:
    OrderedBatch(const Options& options, const std::vector<Input>& inputs, const DocumentJob& job)
        : m_Feed(options, inputs), m_uInputs(inputs.size()), m_Job(job), m_bJson(options.json),
          m_bHeader(inputs.size() > 1), m_Slots(std::max<std::size_t>(64, 8 * Threads(options))),
          m_Progress(!options.quiet && StderrIsTerminal(), inputs.size()), m_bShareTerminal(StdoutIsTerminal()),
          m_bQuiet(options.quiet), m_Output(m_bShareTerminal)
    {
        for (unsigned i = 0; i < Threads(options); ++i) m_Workers.emplace_back([this] { Work(); });
    }

    ~OrderedBatch()
    {
        Stop();
        for (std::thread& worker : m_Workers) worker.join();
    }

    // Stops at the first record that cannot be written: a full disk would lose the rest anyway.
    int Run()
    {
        for (std::optional<Outcome> outcome; (outcome = Take(m_uEmitted));)
            if (!Emit(m_uEmitted++, *outcome)) break;
        const bool written = m_Output.Flush();
        if (!written) ReportLostOutput();
        Stop();
        m_Progress.Hide();
        if (!m_bQuiet) PrintSummary();
        return m_Counts[Outcome::Failed] || !written ? 1 : 0;
    }

private:
    // A web archive is one input of many documents: the number of inputs is no bound.
    static unsigned Threads(const Options& options)
    {
        return options.threads ? options.threads : std::max(1u, std::thread::hardware_concurrency());
    }

    // The next document and its place in the output, or nothing after the last.
    std::optional<std::pair<std::size_t, FeedItem>> Feed()
    {
        std::lock_guard lock(m_FeedMutex);
        if (FeedItem item; m_Feed.Next(item)) return std::pair(m_uFed++, std::move(item));
        {
            std::lock_guard done(m_Mutex);
            m_bFedAll = true;
        }
        m_Ready.notify_all();
        return std::nullopt;
    }

    void Work()
    {
        while (auto next = Feed()) {
            const std::size_t i = next->first;
            FeedItem& item = next->second;
            {
                std::unique_lock lock(m_Mutex);
                m_Space.wait(lock, [&] { return m_bStopped || i < m_uWritten + m_Slots.size(); });
                if (m_bStopped) return;
            }
            Outcome outcome = Process(item, m_Job, m_bJson, m_bHeader, m_uBytes);
            outcome.name = item.input->path;
            ++m_uDone;
            {
                std::lock_guard lock(m_Mutex);
                m_Slots[i % m_Slots.size()] = std::move(outcome);
            }
            m_Ready.notify_all();
        }
    }

    // Document `i`, or nothing after the last.
    std::optional<Outcome> Take(std::size_t i)
    {
        std::unique_lock lock(m_Mutex);
        std::optional<Outcome>& slot = m_Slots[i % m_Slots.size()];
        const auto ready = [&] { return slot.has_value() || (m_bFedAll && i >= m_uFed); };
        while (!m_Ready.wait_for(lock, std::chrono::milliseconds(100), ready)) ShowProgress();
        if (!slot) return std::nullopt;
        std::optional<Outcome> outcome = std::move(slot);
        slot.reset();
        ++m_uWritten;
        lock.unlock();
        m_Space.notify_all();
        return outcome;
    }

    void Stop()
    {
        {
            std::lock_guard lock(m_Mutex);
            m_bStopped = true;
        }
        m_Space.notify_all();
    }

    // Writes the record and the line about the document, if any; false when standard output
    // failed.
    bool Emit(std::size_t i, const Outcome& outcome)
    {
        ++m_Counts[outcome.kind];
        const bool noted = outcome.kind != Outcome::Done;
        if (m_bShareTerminal || noted) m_Progress.Hide();
        bool written = m_Output.Write(i, outcome.name, outcome.output);
        if (noted) {
            written = m_Output.Flush() && written;  // the line follows the record it is about
            fmt::print(stderr, "vekparse: {}: {}\n", QuotedName(outcome.name), Note(outcome));
        }
        ShowProgress();
        return written;
    }

    // Web archives make the total grow as their records are found.
    void ShowProgress()
    {
        m_Progress.SetTotal(std::max(m_uInputs, m_uFed.load()));
        m_Progress.Show(m_uDone, m_uBytes);
    }

    void ReportLostOutput()
    {
        m_Progress.Hide();
        // The records of an archive not yet read are not counted.
        m_uLost = std::max(m_uInputs, m_uFed.load()) - m_Output.FirstLost();
        fmt::print(stderr, "vekparse: cannot write standard output: {} (nothing from {} on is written)\n",
                   std::strerror(m_Output.Error()), QuotedName(m_Output.FirstLostName()));
    }

    // Skipped entries are no documents; the other counts appear when they are not zero.
    void PrintSummary() const
    {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_Start).count();
        std::string summary = fmt::format("{} documents, {} bytes, {} failed", m_uEmitted - m_Counts[Outcome::Skipped],
                                          m_uBytes.load(), m_Counts[Outcome::Failed]);
        if (m_Counts[Outcome::Incomplete]) summary += fmt::format(", {} incomplete", m_Counts[Outcome::Incomplete]);
        if (m_Counts[Outcome::Skipped]) summary += fmt::format(", {} skipped", m_Counts[Outcome::Skipped]);
        if (m_Feed.Skipped()) summary += fmt::format(", skipped {} records", m_Feed.Skipped());
        if (m_uLost) summary += fmt::format(", {} not written", m_uLost);
        fmt::print(stderr, "{}, {:.3f} s\n", summary, seconds);
    }

    DocumentFeed m_Feed;
    const std::size_t m_uInputs;
    const DocumentJob& m_Job;
    const bool m_bJson;
    const bool m_bHeader;
    std::vector<std::optional<Outcome>> m_Slots;
    Progress m_Progress;
    const bool m_bShareTerminal;
    const bool m_bQuiet;
    RecordWriter m_Output;
    std::array<std::size_t, Outcome::KINDS> m_Counts{};
    std::size_t m_uLost = 0;  // documents whose records did not reach standard output
    std::size_t m_uEmitted = 0;
    // Before the workers start, which begin parsing at once.
    const std::chrono::steady_clock::time_point m_Start = std::chrono::steady_clock::now();

    std::mutex m_FeedMutex;
    std::atomic<std::size_t> m_uFed{0};  // changed under m_FeedMutex
    std::mutex m_Mutex;
    std::condition_variable m_Ready;
    std::condition_variable m_Space;
    std::size_t m_uWritten = 0;
    bool m_bStopped = false;
    bool m_bFedAll = false;
    std::atomic<std::size_t> m_uDone{0};
    std::atomic<std::uint64_t> m_uBytes{0};
    std::vector<std::thread> m_Workers;
};

} // namespace

std::vector<Outcome> ProcessInputs(const Options& options, const std::vector<Input>& inputs, const DocumentJob& job)
{
    DocumentFeed feed(options, inputs);
    std::atomic<std::uint64_t> bytes{0};
    std::vector<Outcome> outcomes;
    for (;;) {
        FeedItem item;
        if (!feed.Next(item)) return outcomes;
        outcomes.push_back(Process(item, job, options.json, inputs.size() > 1, bytes));
        outcomes.back().name = item.input->path;
    }
}

std::string Note(const Outcome& outcome) { return NOTE_LABELS[outcome.kind] + outcome.note; }

std::string DescribeFailure(const std::string& path) { return Reason(path); }

int RunBatch(const Options& options, const std::vector<Input>& inputs, const DocumentJob& job)
{
    OrderedBatch batch(options, inputs, job);
    return batch.Run();
}

} // namespace vekparse

