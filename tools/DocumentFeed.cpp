#include "DocumentFeed.h"

#include <exception>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vekparse {

bool DocumentFeed::StartsAsWarc(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);  // a FIFO must not wait
    if (fd < 0) return false;
    struct stat info {};
    char head[8];
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    const ssize_t got = regular ? ::read(fd, head, sizeof head) : 0;
    const bool warc = got > 0 && WarcReader::LooksLikeWarc(std::string_view(head, static_cast<std::size_t>(got)));
    ::close(fd);
    return warc;
}

DocumentFeed::DocumentFeed(const Options& options, const std::vector<Input>& inputs)
    : m_Inputs(inputs), m_bWarc(options.archives), m_bAllRecords(options.allRecords)
{
}

DocumentFeed::~DocumentFeed() = default;

bool DocumentFeed::Next(FeedItem& item)
{
    item = FeedItem();
    while (!m_pReader || !NextRecord(item)) {
        if (m_uNext == m_Inputs.size()) return false;
        const Input& input = m_Inputs[m_uNext++];
        if (!m_bWarc || input.kind != Input::Kind::File || !StartsAsWarc(input.path)) {
            item.input = &input;
            return true;
        }
        m_pReading = &input;
        try {
            m_pReader = std::make_unique<WarcReader>(input.path);
            m_pReader->SetRange(input.start, input.stop);
        } catch (const std::exception& e) {
            item.input = &input;
            item.error = e.what();
            return true;
        }
        m_pReader->SetBodyFilter([all = m_bAllRecords](const WarcRecord& record) {
            return record.type == "response" && (all || record.http.IsHtml());
        });
    }
    return true;
}

// False once the current WARC file is done.
bool DocumentFeed::NextRecord(FeedItem& item)
{
    item.input = m_pReading;
    try {
        for (auto record = std::make_unique<WarcRecord>(); m_pReader->Next(*record);) {
            if (record->error.empty() && !record->hasBody) {
                ++m_uSkipped;
                continue;
            }
            item.record = std::move(record);
            return true;
        }
    } catch (const std::exception& e) {  // the file can no longer be read
        item.error = e.what();
        m_pReader.reset();
        return true;
    }
    m_pReader.reset();
    return false;
}

} // namespace vekparse
