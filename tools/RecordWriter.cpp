#include "RecordWriter.h"

#include <cerrno>

#include <unistd.h>

namespace vekparse {

namespace {

constexpr std::size_t BLOCK = 1 << 20;

} // namespace

bool RecordWriter::Write(std::size_t document, std::string_view name, std::string_view record)
{
    if (m_iError) return false;
    if (record.empty()) return true;
    m_Buffer.append(record);
    m_Queued.push_back({document, std::string(name), m_Buffer.size()});
    return m_bEager || m_Buffer.size() >= BLOCK ? Flush() : true;
}

bool RecordWriter::Flush()
{
    if (m_iError) return false;
    std::size_t written = 0;
    while (written < m_Buffer.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, m_Buffer.data() + written, m_Buffer.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            m_iError = n < 0 ? errno : EIO;
            for (const Queued& queued : m_Queued)
                if (queued.end > written) {
                    m_uFirstLost = queued.document;
                    m_sFirstLostName = queued.name;
                    break;
                }
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    m_Buffer.clear();
    m_Queued.clear();
    return true;
}

} // namespace vekparse
