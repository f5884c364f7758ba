// The WARC reader over any bytes, plain or gzip'd: every record ends with a body or an error,
// the reader always gets to the end, and nothing claimed allocates what the input cannot back.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "WarcReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vekparse::WarcReader reader(std::string_view(reinterpret_cast<const char*>(data), size));
    reader.SetBodyFilter([](const vekparse::WarcRecord& record) { return record.offset % 2 == 0; });
    vekparse::WarcRecord record;
    std::size_t records = 0;
    while (reader.Next(record)) {
        if (++records > size + 1) __builtin_trap();  // every record takes at least one byte
        if (record.error.empty() && !record.hasBody && !record.body.empty()) __builtin_trap();
        (void)record.HttpCharset();
    }
    return 0;
}
