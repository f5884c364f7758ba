#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include <zlib.h>

namespace vekparse {

// Reads up to `size` bytes of the input at `offset` into `out`; fewer only at the input's end.
using ReadAt = std::function<std::size_t(std::uint64_t offset, char* out, std::size_t size)>;

// Damaged compressed data; the offset is that of the gzip member it was found in.
struct GzipError : std::runtime_error {
    GzipError(std::uint64_t memberOffset, const std::string& reason) : std::runtime_error(reason), offset(memberOffset) {}
    std::uint64_t offset;
};

inline bool HasGzipMagic(std::string_view bytes) noexcept
{
    return bytes.size() >= 3 && bytes[0] == '\x1f' && bytes[1] == '\x8b' && bytes[2] == '\x08';
}

// Inflates a multi-member gzip input one member at a time (a WARC.gz holds one record per
// member), with a fixed read buffer: memory does not depend on the input.
class GzipMemberReader {
public:
    explicit GzipMemberReader(ReadAt read);
    ~GzipMemberReader();
    GzipMemberReader(const GzipMemberReader&) = delete;
    GzipMemberReader& operator=(const GzipMemberReader&) = delete;

    // Begins inflating the member that starts at `offset`.
    void Start(std::uint64_t offset);
    // Appends up to `most` inflated bytes of the current member to `out`; 0 once the member is
    // done. Throws GzipError for a corrupt or truncated member.
    std::size_t Read(std::string& out, std::size_t most);
    std::uint64_t MemberOffset() const noexcept { return m_uMember; }
    // Where the input goes on after the current member; valid once Read returned 0.
    std::uint64_t NextOffset() const noexcept { return m_uInOffset + m_uInUsed; }
    // The first member that starts in [from, limit) and inflates to bytes starting with `prefix`.
    static std::optional<std::uint64_t> FindMember(const ReadAt& read, std::uint64_t from, std::uint64_t limit,
                                                   std::string_view prefix);

private:
    bool Refill();
    bool InflatesTo(std::uint64_t offset, std::string_view prefix);

    ReadAt m_Read;
    z_stream m_Zs{};
    std::string m_sIn;
    std::uint64_t m_uInOffset = 0;  // input offset of m_sIn[0]
    std::size_t m_uInUsed = 0;      // bytes of m_sIn inflate has consumed
    std::uint64_t m_uMember = 0;
    bool m_bEnded = true;
};

// Inflates a whole HTTP body coded as gzip or zlib (`deflate` also tries raw deflate, as some
// servers send it). Throws std::runtime_error when damaged or larger than `limit` inflated.
std::string InflateBody(std::string_view coded, bool deflate, std::size_t limit);

} // namespace vekparse
