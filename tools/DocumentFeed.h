#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "Inputs.h"
#include "Options.h"
#include "WarcReader.h"

namespace vekparse {

// One document of a batch: a loose file, or one record of a WARC file (a document, or the
// place where a record could not be read).
struct FeedItem {
    const Input* input = nullptr;
    std::unique_ptr<WarcRecord> record;
    std::string error;  // the WARC file itself could not be read on
};

// The inputs of a batch as a sequence of documents: WARC files, recognised by their first
// bytes, give their records one at a time. Not thread-safe: the batch takes items under a lock.
class DocumentFeed {
public:
    DocumentFeed(const Options& options, const std::vector<Input>& inputs);
    ~DocumentFeed();

    // Whether a regular file starts as a WARC file does. Anything else goes its way as a loose
    // file, which reports what is wrong with it.
    static bool StartsAsWarc(const std::string& path);

    // The next document, or false after the last.
    bool Next(FeedItem& item);
    // WARC records that are no documents (requests, metadata, non-HTML responses, ...).
    std::size_t Skipped() const noexcept { return m_uSkipped; }

private:
    bool NextRecord(FeedItem& item);

    const std::vector<Input>& m_Inputs;
    const bool m_bWarc;
    const bool m_bAllRecords;
    std::size_t m_uNext = 0;
    std::unique_ptr<WarcReader> m_pReader;
    const Input* m_pReading = nullptr;
    std::size_t m_uSkipped = 0;
};

} // namespace vekparse
