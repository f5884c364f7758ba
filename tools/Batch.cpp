#include "Batch.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
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

namespace vekparse {

namespace {

struct Outcome {
    std::string output;
    std::string error;  // empty when the document succeeded
    const Input* input = nullptr;
};

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

void Process(const Input& input, const DocumentJob& job, bool json, bool header, Outcome& outcome,
             std::atomic<std::uint64_t>& bytes)
{
    try {
        Document document(input);
        bytes += document.Bytes().size();
        Record record(json, input.path, header);
        job(document, record);
        outcome.output = record.Finish();
    } catch (...) {
        outcome.error = Reason(input.path);
    }
}

// A record of a web archive: its errors name the archive and the record's offset in it.
void Process(const std::string& archive, WarcRecord& warc, const DocumentJob& job, bool json, Outcome& outcome,
             std::atomic<std::uint64_t>& bytes)
{
    const std::string at = fmt::format("offset {}: ", warc.offset);
    if (!warc.error.empty()) {
        outcome.error = at + warc.error;
        return;
    }
    try {
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
        job(document, record);
        outcome.output = record.Finish();
    } catch (...) {
        outcome.error = at + Reason(archive);
    }
}

Outcome Process(FeedItem& item, const DocumentJob& job, bool json, bool header, std::atomic<std::uint64_t>& bytes)
{
    Outcome outcome;
    if (!item.error.empty())
        outcome.error = item.error;
    else if (item.record)
        Process(item.input->path, *item.record, job, json, outcome, bytes);
    else
        Process(*item.input, job, json, header, outcome, bytes);
    return outcome;
}

// Workers take documents in input order (a web archive's records one by one) and may run at
// most a window ahead of the writer, so memory stays bounded on a million inputs or a
// gigabyte archive, and one slow document holds up nobody's parsing.
class OrderedBatch {
public:
    OrderedBatch(const Options& options, const std::vector<Input>& inputs, const DocumentJob& job)
        : m_Feed(options, inputs), m_Job(job), m_bJson(options.json), m_bHeader(inputs.size() > 1),
          m_Slots(std::max<std::size_t>(64, 8 * Threads(options))),
          m_Progress(!options.quiet && StderrIsTerminal(), inputs.size()), m_bShareTerminal(StdoutIsTerminal()),
          m_bQuiet(options.quiet), m_uInputs(inputs.size())
    {
        for (unsigned i = 0; i < Threads(options); ++i) m_Workers.emplace_back([this] { Work(); });
    }

    ~OrderedBatch()
    {
        for (std::thread& worker : m_Workers) worker.join();
    }

    int Run()
    {
        std::size_t failures = 0, documents = 0;
        for (std::optional<Outcome> outcome; (outcome = Take(documents)); ++documents)
            failures += Emit(*outcome);
        std::fflush(stdout);
        m_Progress.Hide();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_Start).count();
        const std::string skipped = m_Feed.Skipped() ? fmt::format("skipped {} records, ", m_Feed.Skipped()) : "";
        if (!m_bQuiet)
            fmt::print(stderr, "{} documents, {} bytes, {} failed, {}{:.3f} s\n", documents, m_uBytes.load(), failures,
                       skipped, seconds);
        return failures ? 1 : 0;
    }

private:
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
            m_uTotal = m_uFed;
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
                m_Space.wait(lock, [&] { return i < m_uWritten + m_Slots.size(); });
            }
            Outcome outcome = Process(item, m_Job, m_bJson, m_bHeader, m_uBytes);
            outcome.input = item.input;
            ++m_uDone;
            {
                std::lock_guard lock(m_Mutex);
                m_Slots[i % m_Slots.size()] = std::move(outcome);
            }
            m_Ready.notify_all();
        }
    }

    std::optional<Outcome> Take(std::size_t i)
    {
        std::unique_lock lock(m_Mutex);
        std::optional<Outcome>& slot = m_Slots[i % m_Slots.size()];
        const auto ready = [&] { return slot.has_value() || (m_bFedAll && i >= m_uTotal); };
        while (!m_Ready.wait_for(lock, std::chrono::milliseconds(100), ready)) ShowProgress();
        if (!slot) return std::nullopt;
        std::optional<Outcome> outcome = std::move(slot);
        slot.reset();
        ++m_uWritten;
        lock.unlock();
        m_Space.notify_all();
        return outcome;
    }

    // Returns 1 when the document failed.
    std::size_t Emit(const Outcome& outcome)
    {
        if (m_bShareTerminal || !outcome.error.empty()) m_Progress.Hide();
        std::fwrite(outcome.output.data(), 1, outcome.output.size(), stdout);
        if (m_bShareTerminal) std::fflush(stdout);
        if (!outcome.error.empty()) {
            std::fflush(stdout);
            fmt::print(stderr, "vekparse: {}: {}\n", outcome.input->path, outcome.error);
        }
        ShowProgress();
        return outcome.error.empty() ? 0 : 1;
    }

    // Web archives make the total grow as their records are found.
    void ShowProgress()
    {
        m_Progress.SetTotal(std::max(m_uInputs, m_uFed.load()));
        m_Progress.Show(m_uDone, m_uBytes);
    }

    DocumentFeed m_Feed;
    const DocumentJob& m_Job;
    const bool m_bJson;
    const bool m_bHeader;
    std::vector<std::optional<Outcome>> m_Slots;
    Progress m_Progress;
    const bool m_bShareTerminal;
    const bool m_bQuiet;
    const std::size_t m_uInputs;
    // Before the workers start, which begin parsing at once.
    const std::chrono::steady_clock::time_point m_Start = std::chrono::steady_clock::now();

    std::mutex m_FeedMutex;
    std::atomic<std::size_t> m_uFed{0};  // changed under m_FeedMutex
    std::mutex m_Mutex;
    std::condition_variable m_Ready;
    std::condition_variable m_Space;
    std::size_t m_uWritten = 0;
    bool m_bFedAll = false;
    std::size_t m_uTotal = 0;
    std::atomic<std::size_t> m_uDone{0};
    std::atomic<std::uint64_t> m_uBytes{0};
    std::vector<std::thread> m_Workers;
};

} // namespace

int RunBatch(const Options& options, const std::vector<Input>& inputs, const DocumentJob& job)
{
    static char buffer[1 << 20];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    OrderedBatch batch(options, inputs, job);
    return batch.Run();
}

} // namespace vekparse

