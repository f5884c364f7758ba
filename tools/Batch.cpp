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

#include "Progress.h"

namespace vekparse {

namespace {

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
    Outcome outcome;
    try {
        Document document(input);
        bytes += document.Bytes().size();
        Record record(json, input.path, header);
        job(document, record);
        outcome.output = record.Finish();
    } catch (...) {
        outcome.error = Reason(input.path);
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
          m_bQuiet(options.quiet)
    {
        for (unsigned i = 0; i < Threads(options, inputs.size()); ++i) m_Workers.emplace_back([this] { Work(); });
    }

    ~OrderedBatch()
    {
        for (std::thread& worker : m_Workers) worker.join();
    }

    int Run()
    {
        std::size_t failures = 0;
        for (std::size_t i = 0; i < m_Inputs.size(); ++i) {
            const Outcome outcome = Take(i);
            failures += Emit(m_Inputs[i], outcome);
        }
        std::fflush(stdout);
        m_Progress.Hide();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_Start).count();
        if (!m_bQuiet)
            fmt::print(stderr, "{} documents, {} bytes, {} failed, {:.3f} s\n", m_Inputs.size(), m_uBytes.load(),
                       failures, seconds);
        return failures ? 1 : 0;
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
                m_Space.wait(lock, [&] { return i < m_uWritten + m_Slots.size(); });
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

    // Returns 1 when the document failed.
    std::size_t Emit(const Input& input, const Outcome& outcome)
    {
        if (m_bShareTerminal || !outcome.error.empty()) m_Progress.Hide();
        std::fwrite(outcome.output.data(), 1, outcome.output.size(), stdout);
        if (m_bShareTerminal) std::fflush(stdout);
        if (!outcome.error.empty()) {
            std::fflush(stdout);
            fmt::print(stderr, "vekparse: {}: {}\n", input.path, outcome.error);
        }
        m_Progress.Show(m_uDone, m_uBytes);
        return outcome.error.empty() ? 0 : 1;
    }

    const std::vector<Input>& m_Inputs;
    const DocumentJob& m_Job;
    const bool m_bJson;
    const bool m_bHeader;
    std::vector<std::optional<Outcome>> m_Slots;
    Progress m_Progress;
    const bool m_bShareTerminal;
    const bool m_bQuiet;
    // Before the workers start, which begin parsing at once.
    const std::chrono::steady_clock::time_point m_Start = std::chrono::steady_clock::now();

    std::mutex m_Mutex;
    std::condition_variable m_Ready;
    std::condition_variable m_Space;
    std::size_t m_uWritten = 0;
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

std::string DescribeFailure(const std::string& path) { return Reason(path); }

int RunBatch(const Options& options, const std::vector<Input>& inputs, const DocumentJob& job)
{
    static char buffer[1 << 20];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    OrderedBatch batch(options, inputs, job);
    return batch.Run();
}

} // namespace vekparse

