// Expands arbitrary bytes in several charsets, as a string and as a stream; both must agree.
#include <cstdint>
#include <cstdlib>
#include <string>

#include <VEKParser/encoding/Encoding.h>
#include <VEKParser/host/MemoryBuffer.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    static const VEK::CHARSET charsets[] = {65001, 1252, 20127, 1201, 1210, 1212, 932, 50220};
    const VEKParser::SGMLEncodingHelper helper(charsets[data[0] & 7]);
    const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    VEK::WString fromString, fromStream;
    helper.ExpandToUnicode(bytes, fromString);
    VEKFile::MemoryBuffer buffer(bytes.data(), static_cast<unsigned>(bytes.size()));
    helper.ExpandToUnicode(buffer, fromStream);
    // Pieces of 4096 bytes only change the result when a character straddles a piece end, which
    // needs at least that much input.
    if (bytes.size() < 4096 && fromString != fromStream) std::abort();
    return 0;
}
