#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vekparse {

// Standard output of a batch, written in large blocks straight to the descriptor, so that a
// failed write (a full disk, a closed pipe) is seen together with the first record it lost.
class RecordWriter {
public:
    // `eager` writes each record at once, for a terminal that standard error shares.
    explicit RecordWriter(bool eager) : m_bEager(eager) {}
    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;

    // Queues the record of document `document`, from the input `name`; false once a write has
    // failed.
    bool Write(std::size_t document, std::string_view name, std::string_view record);
    // Writes what is queued; false once a write has failed.
    bool Flush();

    // The errno of the failed write, 0 while every write succeeded.
    int Error() const noexcept { return m_iError; }
    // The document whose record was the first one not written whole (valid after a failure).
    std::size_t FirstLost() const noexcept { return m_uFirstLost; }
    const std::string& FirstLostName() const noexcept { return m_sFirstLostName; }

private:
    struct Queued {
        std::size_t document;
        std::string name;
        std::size_t end;  // offset in the buffer after the record
    };

    const bool m_bEager;
    std::string m_Buffer;
    std::vector<Queued> m_Queued;
    int m_iError = 0;
    std::size_t m_uFirstLost = 0;
    std::string m_sFirstLostName;
};

} // namespace vekparse
