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

Outcome Process(const Input& input, const DocumentJob& job, bool json, bool header, std::atomic<std::uint64_t>& bytes)
{
    if (input.kind == Input::Kind::Skipped) return {Outcome::Skipped, {}, input.error};
    Outcome outcome;
    try {
        Document document(input);
        bytes += document.Bytes().size();
        Record record(json, input.path, header);
        job(document, record);
        if (!record.Incomplete().empty()) outcome = {Outcome::Incomplete, {}, record.Incomplete()};
        outcome.output = record.Finish();
    } catch (...) {
        outcome = {Outcome::Failed, {}, Reason(input.path)};
    }
    return outcome;
}

// Workers take documents in input order and may run at most a window ahead of the writer, so
// memory stays bounded on a million inputs and one slow document holds up nobody's parsing.
class OrderedBatch {
public:
    OrderedBatch(const Options& options, const std::vector<Input>& inputs, const DocumentJob& job)
        : m_Inputs(inputs), m_Job(job), m_bJson(options.json), m_bHeader(inputs.size() > 1),
          m_Slots(std::max<std::size_t>(64, 8 * Threads(options, inputs.size()))),
          m_Progress(!options.quiet && StderrIsTerminal(), inputs.size()), m_bShareTerminal(StdoutIsTerminal()),
          m_bQuiet(options.quiet), m_Output(m_bShareTerminal)
    {
        for (unsigned i = 0; i < Threads(options, inputs.size()); ++i) m_Workers.emplace_back([this] { Work(); });
    }

    ~OrderedBatch()
    {
        Stop();
        for (std::thread& worker : m_Workers) worker.join();
    }

    // Stops at the first record that cannot be written: a full disk would lose the rest anyway.
    int Run()
    {
        for (std::size_t i = 0; i < m_Inputs.size() && Emit(i, Take(i)); ++i) {}
        const bool written = m_Output.Flush();
        if (!written) ReportLostOutput();
        Stop();
        m_Progress.Hide();
        if (!m_bQuiet) PrintSummary();
        return m_Counts[Outcome::Failed] || !written ? 1 : 0;
    }

private:
    static unsigned Threads(const Options& options, std::size_t documents)
    {
        const unsigned wanted = options.threads ? options.threads : std::max(1u, std::thread::hardware_concurrency());
        return static_cast<unsigned>(std::clamp<std::size_t>(documents, 1, wanted));
    }

    void Work()
    {
        for (;;) {
            const std::size_t i = m_uNext++;
            if (i >= m_Inputs.size()) return;
            {
                std::unique_lock lock(m_Mutex);
                m_Space.wait(lock, [&] { return m_bStopped || i < m_uWritten + m_Slots.size(); });
                if (m_bStopped) return;
            }
            Outcome outcome = Process(m_Inputs[i], m_Job, m_bJson, m_bHeader, m_uBytes);
            ++m_uDone;
            {
                std::lock_guard lock(m_Mutex);
                m_Slots[i % m_Slots.size()] = std::move(outcome);
            }
            m_Ready.notify_one();
        }
    }

    Outcome Take(std::size_t i)
    {
        std::unique_lock lock(m_Mutex);
        std::optional<Outcome>& slot = m_Slots[i % m_Slots.size()];
        while (!m_Ready.wait_for(lock, std::chrono::milliseconds(100), [&] { return slot.has_value(); }))
            m_Progress.Show(m_uDone, m_uBytes);
        Outcome outcome = std::move(*slot);
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
        bool written = m_Output.Write(i, outcome.output);
        if (noted) {
            written = m_Output.Flush() && written;  // the line follows the record it is about
            fmt::print(stderr, "vekparse: {}: {}\n", QuotedName(m_Inputs[i].path), Note(outcome));
        }
        m_Progress.Show(m_uDone, m_uBytes);
        return written;
    }

    void ReportLostOutput()
    {
        m_Progress.Hide();
        m_uLost = m_Inputs.size() - m_Output.FirstLost();
        fmt::print(stderr, "vekparse: cannot write standard output: {} (nothing from {} on is written)\n",
                   std::strerror(m_Output.Error()), QuotedName(m_Inputs[m_Output.FirstLost()].path));
    }

    // Skipped entries are no documents; the other counts appear when they are not zero.
    void PrintSummary() const
    {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_Start).count();
        std::string summary = fmt::format("{} documents, {} bytes, {} failed", m_Inputs.size() - m_Counts[Outcome::Skipped],
                                          m_uBytes.load(), m_Counts[Outcome::Failed]);
        if (m_Counts[Outcome::Incomplete]) summary += fmt::format(", {} incomplete", m_Counts[Outcome::Incomplete]);
        if (m_Counts[Outcome::Skipped]) summary += fmt::format(", {} skipped", m_Counts[Outcome::Skipped]);
        if (m_uLost) summary += fmt::format(", {} not written", m_uLost);
        fmt::print(stderr, "{}, {:.3f} s\n", summary, seconds);
    }

    const std::vector<Input>& m_Inputs;
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
    // Before the workers start, which begin parsing at once.
    const std::chrono::steady_clock::time_point m_Start = std::chrono::steady_clock::now();

    std::mutex m_Mutex;
    std::condition_variable m_Ready;
    std::condition_variable m_Space;
    std::size_t m_uWritten = 0;
    bool m_bStopped = false;
    std::atomic<std::size_t> m_uNext{0};
    std::atomic<std::size_t> m_uDone{0};
    std::atomic<std::uint64_t> m_uBytes{0};
    std::vector<std::thread> m_Workers;
};

} // namespace

Outcome ProcessDocument(const Input& input, const DocumentJob& job, bool json, bool header,
                        std::atomic<std::uint64_t>& bytes)
{
    return Process(input, job, json, header, bytes);
}

std::string Note(const Outcome& outcome) { return NOTE_LABELS[outcome.kind] + outcome.note; }

std::string DescribeFailure(const std::string& path) { return Reason(path); }

int RunBatch(const Options& options, const std::vector<Input>& inputs, const DocumentJob& job)
{
    OrderedBatch batch(options, inputs, job);
    return batch.Run();
}

} // namespace vekparse

