#include "WarcReader.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fmt/format.h>

#include "Charsets.h"

namespace vekparse {

namespace {

constexpr std::size_t PULL_SIZE = 1 << 16;
constexpr std::size_t MAX_LINE = 1 << 14;
constexpr std::size_t MAX_HEADERS = 256;
constexpr std::size_t MAX_HTTP_HEAD = 1 << 20;
constexpr std::string_view VERSION_LINE = "WARC/1.";

// The file stays open for the reader's life; pread needs no shared position.
class File {
public:
    explicit File(const std::string& path) : m_Fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC))
    {
        if (m_Fd < 0) throw std::system_error(errno, std::generic_category(), path);
    }
    ~File() { ::close(m_Fd); }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    std::size_t ReadAt(std::uint64_t offset, char* out, std::size_t size) const
    {
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::pread(m_Fd, out + done, size - done, static_cast<off_t>(offset + done));
            if (n == 0) break;
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) throw std::system_error(errno, std::generic_category(), "read");
            done += static_cast<std::size_t>(n);
        }
        return done;
    }

private:
    int m_Fd;
};

ReadAt MemoryReader(std::string_view bytes)
{
    return [bytes](std::uint64_t offset, char* out, std::size_t size) -> std::size_t {
        if (offset >= bytes.size()) return 0;
        const std::size_t n = std::min<std::size_t>(size, bytes.size() - offset);
        std::memcpy(out, bytes.data() + offset, n);
        return n;
    };
}

std::string HeaderOr(const HeaderList& headers, std::string_view name)
{
    const std::string* value = FindHeader(headers, name);
    return value ? *value : std::string();
}

} // namespace

// Why a record is lost; `resync` when the reader no longer knows where the next record starts.
struct WarcReader::Broken {
    std::string reason;
    bool resync = true;
};

// The decompressed bytes of one unit at a time (a gzip member, or a whole plain file) through a
// buffer that keeps only what has not been consumed yet.
class WarcReader::Cursor {
public:
    Cursor(ReadAt read, bool gzip) : m_Read(std::move(read)), m_bGzip(gzip)
    {
        if (m_bGzip) {
            m_pGzip = std::make_unique<GzipMemberReader>(m_Read);
            m_pGzip->Start(0);
        }
    }

    std::string_view Available() const noexcept { return std::string_view(m_sBuf).substr(m_uPos); }
    void Consume(std::size_t n) noexcept { m_uPos += n; }
    std::uint64_t RecordOffset() const noexcept { return m_bGzip ? m_pGzip->MemberOffset() : m_uBase + m_uPos; }

    // More bytes of the current unit; false at its end. Throws GzipError.
    bool Pull()
    {
        if (m_bDone) return false;
        if (m_uPos >= PULL_SIZE) {
            m_sBuf.erase(0, m_uPos);
            m_uBase += m_uPos;
            m_uPos = 0;
        }
        if (m_bGzip) return m_pGzip->Read(m_sBuf, PULL_SIZE) > 0;
        const std::size_t kept = m_sBuf.size();
        m_sBuf.resize(kept + PULL_SIZE);
        const std::size_t got = m_Read(m_uBase + kept, m_sBuf.data() + kept, PULL_SIZE);
        m_sBuf.resize(kept + got);
        return got > 0;
    }

    bool Ensure(std::size_t n)
    {
        while (Available().size() < n)
            if (!Pull()) return false;
        return true;
    }

    // Consumes up to `n` bytes; returns how many the unit held.
    std::uint64_t Skip(std::uint64_t n)
    {
        std::uint64_t skipped = 0;
        while (skipped < n) {
            if (Available().empty() && !Pull()) break;
            const std::size_t step = static_cast<std::size_t>(std::min<std::uint64_t>(Available().size(), n - skipped));
            Consume(step);
            skipped += step;
        }
        return skipped;
    }

    // One line without its line break. Throws Broken.
    std::string Line()
    {
        for (;;) {
            const std::string_view bytes = Available();
            const std::size_t eol = bytes.find('\n');
            if (eol < MAX_LINE) {
                std::string line(bytes.substr(0, eol));
                if (!line.empty() && line.back() == '\r') line.pop_back();
                Consume(eol + 1);
                return line;
            }
            if (bytes.size() >= MAX_LINE) throw Broken{fmt::format("WARC header line longer than {} bytes", MAX_LINE)};
            if (!Pull()) throw Broken{"record ends inside its WARC header"};
        }
    }

    // Passes the line breaks between records by and moves on to the next unit where one ends;
    // false at the end of the input. Throws GzipError for bytes between members that are not one.
    bool SeekRecord()
    {
        for (;;) {
            const std::string_view bytes = Available();
            const std::size_t text = bytes.find_first_not_of("\r\n");
            Consume(text == std::string_view::npos ? bytes.size() : text);
            if (text != std::string_view::npos) return true;
            if (Pull()) continue;
            if (!m_bGzip || m_bDone) return false;
            const std::uint64_t next = m_pGzip->NextOffset();
            char magic[3];
            const std::size_t got = m_Read(next, magic, sizeof magic);
            if (got == 0) return false;
            if (!HasGzipMagic(std::string_view(magic, got))) throw GzipError(next, "bytes after a gzip member are not gzip");
            StartMember(next);
        }
    }

    // After a broken record: on at the next record start after `offset`, or at the end.
    void Resync(std::uint64_t offset) { JumpTo(offset + 1); }

    // Reads only the records that start in [start, stop). A part begins at its first record
    // start as the reader finds one after a broken record, and ends where the next part begins:
    // a record belongs to one part, wherever the file is cut.
    void Restrict(std::uint64_t start, std::uint64_t stop)
    {
        m_uStop = stop;
        if (start >= stop)
            Finish();
        else if (start > 0)
            JumpTo(start);
    }

    // Whether a record at `offset` lies in the next part, which ends the reading.
    bool Beyond(std::uint64_t offset)
    {
        if (offset < m_uStop) return false;
        // Usually `offset` is that part's first record; a record that is not found as one
        // (damage) after `stop` but before the next part's first belongs here.
        if (FindStart(offset, offset + 1) || FindStart(m_uStop, offset)) Finish();
        return m_bDone;
    }

private:
    void JumpTo(std::uint64_t from)
    {
        const auto next = FindStart(from, m_uStop);
        if (!next) return Finish();
        m_sBuf.clear();
        m_uPos = 0;
        if (m_bGzip) StartMember(*next);
        m_uBase = *next;
    }

    void Finish()
    {
        m_sBuf.clear();
        m_uPos = 0;
        m_bDone = true;
    }

    void StartMember(std::uint64_t offset)
    {
        m_pGzip->Start(offset);
        m_sBuf.clear();
        m_uPos = 0;
    }

    // The first place in [from, limit) where a record can be found without reading on from
    // the one before: a gzip member that inflates to "WARC/1.", or a line "WARC/1." of a plain
    // file. Only a block that holds such a line itself misleads it.
    std::optional<std::uint64_t> FindStart(std::uint64_t from, std::uint64_t limit) const
    {
        if (m_bGzip) return GzipMemberReader::FindMember(m_Read, from, limit, VERSION_LINE);
        return FindVersionLine(from, limit);
    }

    // `from` is above 0: a line starts after a line break.
    std::optional<std::uint64_t> FindVersionLine(std::uint64_t from, std::uint64_t limit) const
    {
        std::string window;
        for (std::uint64_t base = from - 1; base + 1 < limit; base += window.size() - VERSION_LINE.size()) {
            window.resize(PULL_SIZE);
            window.resize(m_Read(base, window.data(), window.size()));
            const std::size_t hit = window.find(std::string("\n").append(VERSION_LINE));
            if (hit != std::string::npos) return base + hit + 1 < limit ? std::optional(base + hit + 1) : std::nullopt;
            if (window.size() <= VERSION_LINE.size()) return std::nullopt;
        }
        return std::nullopt;
    }

    ReadAt m_Read;
    const bool m_bGzip;
    std::unique_ptr<GzipMemberReader> m_pGzip;
    std::string m_sBuf;
    std::size_t m_uPos = 0;
    std::uint64_t m_uBase = 0;  // plain input: the offset of m_sBuf[0]
    std::uint64_t m_uStop = UINT64_MAX;
    bool m_bDone = false;
};

std::string WarcRecord::HttpCharset() const
{
    const std::string* type = FindHeader(http.headers, "Content-Type");
    return type ? CharsetOfContentType(*type) : std::string();
}

bool WarcReader::LooksLikeWarc(std::string_view head) noexcept
{
    return HasGzipMagic(head) || head.starts_with("WARC/1.0") || head.starts_with("WARC/1.1");
}

namespace {

bool StartsGzip(const ReadAt& read)
{
    char magic[3];
    return HasGzipMagic(std::string_view(magic, read(0, magic, sizeof magic)));
}

} // namespace

WarcReader::WarcReader(const std::string& path)
{
    auto file = std::make_shared<File>(path);
    ReadAt read = [file](std::uint64_t offset, char* out, std::size_t size) { return file->ReadAt(offset, out, size); };
    m_pCursor = std::make_unique<Cursor>(read, StartsGzip(read));
}

WarcReader::WarcReader(std::string_view bytes)
    : m_pCursor(std::make_unique<Cursor>(MemoryReader(bytes), HasGzipMagic(bytes)))
{
}

WarcReader::~WarcReader() = default;

void WarcReader::SetRange(std::uint64_t start, std::uint64_t stop) { m_pCursor->Restrict(start, stop); }

bool WarcReader::Next(WarcRecord& record)
{
    record = WarcRecord();
    try {
        if (!m_pCursor->SeekRecord()) return false;
        record.offset = m_pCursor->RecordOffset();
        if (m_pCursor->Beyond(record.offset)) return false;
        ReadRecord(record);
    } catch (const Broken& broken) {
        record.error = broken.reason;
        record.body.clear();
        if (broken.resync) m_pCursor->Resync(record.offset);
    } catch (const GzipError& error) {
        if (m_pCursor->Beyond(error.offset)) return false;
        record.offset = error.offset;
        record.error = error.what();
        m_pCursor->Resync(error.offset);
    }
    return true;
}

void WarcReader::ReadHeaders(WarcRecord& record)
{
    if (!m_pCursor->Line().starts_with(VERSION_LINE))
        throw Broken{record.offset == 0 ? "not a WARC file" : "no WARC record here"};
    for (std::string line = m_pCursor->Line(); !line.empty(); line = m_pCursor->Line()) {
        if (line.front() == ' ' || line.front() == '\t') {  // a folded header goes on
            if (record.headers.empty()) throw Broken{"malformed WARC header line"};
            record.headers.back().second.append(" ").append(TrimHeaderText(line));
            continue;
        }
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos) throw Broken{"malformed WARC header line"};
        if (record.headers.size() == MAX_HEADERS) throw Broken{"too many WARC headers"};
        const std::string_view text = line;
        record.headers.emplace_back(TrimHeaderText(text.substr(0, colon)), TrimHeaderText(text.substr(colon + 1)));
    }
    record.type = HeaderOr(record.headers, "WARC-Type");
    record.targetUri = HeaderOr(record.headers, "WARC-Target-URI");
    if (record.targetUri.size() >= 2 && record.targetUri.front() == '<' && record.targetUri.back() == '>')
        record.targetUri = record.targetUri.substr(1, record.targetUri.size() - 2);
    record.recordId = HeaderOr(record.headers, "WARC-Record-ID");
    record.date = HeaderOr(record.headers, "WARC-Date");
}

void WarcReader::ReadRecord(WarcRecord& record)
{
    ReadHeaders(record);
    const std::string length = HeaderOr(record.headers, "Content-Length");
    std::uint64_t claimed = 0;
    const auto [end, error] = std::from_chars(length.data(), length.data() + length.size(), claimed);
    if (length.empty() || error != std::errc() || end != length.data() + length.size())
        throw Broken{"missing or malformed Content-Length"};
    ReadBlock(record, claimed);
}

namespace {

// The part of `bytes` that belongs to a block with `rest` bytes still to come.
std::string_view Within(std::string_view bytes, std::uint64_t rest) noexcept
{
    return bytes.substr(0, static_cast<std::size_t>(std::min<std::uint64_t>(rest, bytes.size())));
}

} // namespace

// Returns why the head cannot be read, or empty.
std::string WarcReader::ReadHttpHead(WarcRecord& record, std::uint64_t& rest)
{
    Cursor& cursor = *m_pCursor;
    try {
        for (;;) {
            const std::string_view head = Within(cursor.Available(), std::min<std::uint64_t>(rest, MAX_HTTP_HEAD));
            if (const auto size = ParseHttpHead(head, record.http)) {
                cursor.Consume(*size);
                rest -= *size;
                return {};
            }
            if (head.size() == rest) throw std::runtime_error("the HTTP head is not ended by a blank line");
            if (head.size() == MAX_HTTP_HEAD) throw std::runtime_error("the HTTP head is too long");
            if (!cursor.Pull()) return {};  // the block is cut short, which the caller finds
        }
    } catch (const std::runtime_error& e) {
        record.http.status = 0;
        return e.what();
    }
}

void WarcReader::ReadBlock(WarcRecord& record, std::uint64_t length)
{
    Cursor& cursor = *m_pCursor;
    std::uint64_t rest = length;
    std::string problem;  // the block is whole but its content is not usable
    if (record.type == "response" && cursor.Ensure(Within("HTTP/", rest).size()) &&
        cursor.Available().starts_with("HTTP/"))
        problem = ReadHttpHead(record, rest);
    const bool wanted = problem.empty() && (!m_Wanted || m_Wanted(record));
    if (wanted && rest > MAX_BODY) problem = fmt::format("record body larger than {} MiB", MAX_BODY >> 20);
    if (wanted && problem.empty()) {
        while (rest > 0 && (!cursor.Available().empty() || cursor.Pull())) {
            const std::string_view bytes = Within(cursor.Available(), rest);
            record.body.append(bytes);
            cursor.Consume(bytes.size());
            rest -= bytes.size();
        }
    } else {
        rest -= cursor.Skip(rest);
    }
    if (rest > 0)
        throw Broken{fmt::format("record is cut short: Content-Length is {}, {} bytes follow", length, length - rest)};
    // The record's own end: two line breaks, or the end of its gzip member or file.
    cursor.Ensure(4);
    const std::string_view end = cursor.Available().substr(0, 4);
    if (end != "\r\n\r\n" && end.find_first_not_of("\r\n") != std::string_view::npos)
        throw Broken{"record does not end where its Content-Length says"};
    cursor.Consume(end.size());
    if (wanted && record.IsHttpResponse() && problem.empty()) {
        try {
            record.body = DecodeHttpBody(record.http, std::move(record.body), MAX_BODY);
        } catch (const std::runtime_error& e) {
            problem = e.what();
        }
    }
    if (!problem.empty()) throw Broken{problem, false};
    record.hasBody = wanted;
}

} // namespace vekparse
