#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "Gzip.h"
#include "HttpResponse.h"

namespace vekparse {

// One record of a WARC file (ISO 28500), or the place where one could not be read.
struct WarcRecord {
    std::uint64_t offset = 0;  // of the record, or of the gzip member that holds it
    std::string error;         // why the record is lost; the other fields may be empty then

    HeaderList headers;  // the WARC headers as written
    std::string type;    // WARC-Type: "response", "request", "warcinfo", ...
    std::string targetUri;
    std::string recordId;
    std::string date;

    // For a response record holding an HTTP response (status 0 otherwise).
    HttpResponse http;
    // The HTTP payload with transfer and content codings undone, or the record's block when it
    // holds no HTTP response. Only read when the reader's filter wants it.
    std::string body;
    bool hasBody = false;

    bool IsHttpResponse() const noexcept { return http.status != 0; }
    // The charset parameter of the HTTP Content-Type, or empty.
    std::string HttpCharset() const;
};

// Reads a WARC file, plain or gzip'd (one member per record, or several records per member),
// record by record with a bounded buffer. A broken record is returned with its offset and
// error; reading then goes on at the next record that can be found: the next gzip member that
// inflates to "WARC/1.", or the next line "WARC/1." of a plain file.
class WarcReader {
public:
    // Whether bytes at the start of a file are gzip or a WARC version line.
    static bool LooksLikeWarc(std::string_view head) noexcept;

    // Throws std::system_error when the file cannot be opened.
    explicit WarcReader(const std::string& path);
    // Reads `bytes` in place: they must outlive the reader.
    explicit WarcReader(std::string_view bytes);
    ~WarcReader();
    WarcReader(const WarcReader&) = delete;
    WarcReader& operator=(const WarcReader&) = delete;

    // Decides from a record's WARC and HTTP headers whether its body is read (by default all
    // are). Records left out cost no memory.
    void SetBodyFilter(std::function<bool(const WarcRecord&)> wanted) { m_Wanted = std::move(wanted); }

    // Before the first record: reads only the records that start in [start, stop), their
    // offsets as above. However a file is cut into such ranges, every record the whole file
    // gives comes from exactly one of them, unless a record's block holds a WARC record itself.
    void SetRange(std::uint64_t start, std::uint64_t stop);

    // The next record, or false at the end of the file. Throws std::system_error when the
    // file cannot be read.
    bool Next(WarcRecord& record);

    // Largest record body read into memory, decoded or not; larger ones are errors.
    static constexpr std::size_t MAX_BODY = std::size_t{256} << 20;

private:
    struct Broken;
    class Cursor;

    void ReadRecord(WarcRecord& record);
    void ReadHeaders(WarcRecord& record);
    void ReadBlock(WarcRecord& record, std::uint64_t length);
    std::string ReadHttpHead(WarcRecord& record, std::uint64_t& rest);

    std::unique_ptr<Cursor> m_pCursor;
    std::function<bool(const WarcRecord&)> m_Wanted;
};

} // namespace vekparse
