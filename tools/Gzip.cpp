#include "Gzip.h"

#include <algorithm>
#include <cstring>

namespace vekparse {

namespace {

constexpr std::size_t INPUT_BUFFER = 1 << 16;
constexpr int GZIP_WINDOW = 15 + 16;
constexpr int AUTO_WINDOW = 15 + 32;  // gzip or zlib header
constexpr int RAW_WINDOW = -15;

Bytef* Bytes(const char* data) { return reinterpret_cast<Bytef*>(const_cast<char*>(data)); }

} // namespace

GzipMemberReader::GzipMemberReader(ReadAt read) : m_Read(std::move(read))
{
    if (inflateInit2(&m_Zs, GZIP_WINDOW) != Z_OK) throw std::bad_alloc();
}

GzipMemberReader::~GzipMemberReader() { inflateEnd(&m_Zs); }

void GzipMemberReader::Start(std::uint64_t offset)
{
    inflateReset(&m_Zs);
    m_uMember = offset;
    m_bEnded = false;
    // Keep what is buffered when the member follows in it (the usual case, one after another).
    if (offset >= m_uInOffset && offset - m_uInOffset <= m_sIn.size()) {
        m_uInUsed = static_cast<std::size_t>(offset - m_uInOffset);
    } else {
        m_uInOffset = offset;
        m_uInUsed = 0;
        m_sIn.resize(0);
    }
    m_Zs.next_in = Bytes(m_sIn.data() + m_uInUsed);
    m_Zs.avail_in = static_cast<uInt>(m_sIn.size() - m_uInUsed);
}

bool GzipMemberReader::Refill()
{
    m_uInOffset += m_uInUsed;
    m_sIn.erase(0, m_uInUsed);
    const std::size_t kept = m_sIn.size();
    m_sIn.resize(INPUT_BUFFER);
    const std::size_t got = m_Read(m_uInOffset + kept, m_sIn.data() + kept, INPUT_BUFFER - kept);
    m_sIn.resize(kept + got);
    m_uInUsed = 0;
    m_Zs.next_in = Bytes(m_sIn.data());
    m_Zs.avail_in = static_cast<uInt>(m_sIn.size());
    return got > 0;
}

std::size_t GzipMemberReader::Read(std::string& out, std::size_t most)
{
    if (m_bEnded) return 0;
    const std::size_t before = out.size();
    out.resize(before + most);
    m_Zs.next_out = reinterpret_cast<Bytef*>(out.data() + before);
    m_Zs.avail_out = static_cast<uInt>(most);
    while (m_Zs.avail_out > 0) {
        if (m_Zs.avail_in == 0 && !Refill()) {
            out.resize(before);
            throw GzipError(m_uMember, "gzip member is truncated");
        }
        const int status = inflate(&m_Zs, Z_NO_FLUSH);
        m_uInUsed = static_cast<std::size_t>(reinterpret_cast<const char*>(m_Zs.next_in) - m_sIn.data());
        if (status == Z_STREAM_END) {
            m_bEnded = true;
            break;
        }
        if (status != Z_OK && status != Z_BUF_ERROR) {
            out.resize(before);
            throw GzipError(m_uMember, std::string("corrupt gzip member: ") + (m_Zs.msg ? m_Zs.msg : "bad data"));
        }
    }
    out.resize(before + most - m_Zs.avail_out);
    return out.size() - before;
}

bool GzipMemberReader::InflatesTo(std::uint64_t offset, std::string_view prefix)
{
    Start(offset);
    std::string head;
    try {
        while (head.size() < prefix.size() && Read(head, prefix.size() - head.size()) > 0) {}
    } catch (const GzipError&) {
        return false;
    }
    return std::string_view(head).starts_with(prefix);
}

std::optional<std::uint64_t> GzipMemberReader::FindMember(const ReadAt& read, std::uint64_t from, std::uint64_t limit,
                                                          std::string_view prefix)
{
    GzipMemberReader probe(read);
    std::string window;
    // A magic cut at a window's end is seen whole in the next one.
    for (std::uint64_t base = from; base < limit; base += window.size() - 2) {
        window.resize(INPUT_BUFFER);
        window.resize(read(base, window.data(), window.size()));
        if (window.size() < 3) return std::nullopt;
        const std::size_t end = static_cast<std::size_t>(std::min<std::uint64_t>(window.size() - 2, limit - base));
        for (std::size_t at = 0; at < end; ++at) {
            const void* hit = std::memchr(window.data() + at, '\x1f', end - at);
            if (!hit) break;
            at = static_cast<std::size_t>(static_cast<const char*>(hit) - window.data());
            if (HasGzipMagic(std::string_view(window).substr(at)) && probe.InflatesTo(base + at, prefix)) return base + at;
        }
    }
    return std::nullopt;
}

std::string InflateBody(std::string_view coded, bool deflate, std::size_t limit)
{
    for (const int window : {AUTO_WINDOW, RAW_WINDOW}) {
        z_stream zs{};
        if (inflateInit2(&zs, window) != Z_OK) throw std::bad_alloc();
        zs.next_in = Bytes(coded.data());
        zs.avail_in = static_cast<uInt>(std::min<std::size_t>(coded.size(), UINT32_MAX));
        std::string out;
        int status = Z_OK;
        while (status == Z_OK) {
            const std::size_t used = out.size();
            if (used >= limit) break;
            out.resize(std::min(limit, std::max<std::size_t>(used * 2, 1 << 16)));
            zs.next_out = reinterpret_cast<Bytef*>(out.data() + used);
            zs.avail_out = static_cast<uInt>(out.size() - used);
            status = inflate(&zs, Z_NO_FLUSH);
            out.resize(out.size() - zs.avail_out);
        }
        inflateEnd(&zs);
        if (status == Z_STREAM_END) return out;
        if (out.size() >= limit) throw std::runtime_error("decoded HTTP body is too large");
        if (!deflate || window == RAW_WINDOW) break;
    }
    throw std::runtime_error(deflate ? "corrupt deflate body" : "corrupt gzip body");
}

} // namespace vekparse
