// The WARC reader over any bytes, plain or gzip'd, whole and cut in two at a point the input
// chooses: every record ends with a body or an error, the reader always gets to the end, a part
// gives no record before its start, and nothing claimed allocates what the input cannot back.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "WarcReader.h"

namespace {

void ReadRange(std::string_view bytes, std::uint64_t start, std::uint64_t stop)
{
    vekparse::WarcReader reader(bytes);
    reader.SetBodyFilter([](const vekparse::WarcRecord& record) { return record.offset % 2 == 0; });
    reader.SetRange(start, stop);
    vekparse::WarcRecord record;
    std::size_t records = 0;
    while (reader.Next(record)) {
        if (++records > bytes.size() + 1) __builtin_trap();  // every record takes at least one byte
        if (record.offset < start) __builtin_trap();
        if (record.error.empty() && !record.hasBody && !record.body.empty()) __builtin_trap();
        (void)record.HttpCharset();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::uint16_t cut = 0;
    if (size >= sizeof cut) std::memcpy(&cut, data + size - sizeof cut, sizeof cut);  // the head stays free to look like an archive
    const std::uint64_t split = size == 0 ? 0 : cut % (size + 1);
    ReadRange(bytes, 0, UINT64_MAX);
    ReadRange(bytes, 0, split);
    ReadRange(bytes, split, UINT64_MAX);
    return 0;
}
