// Expands arbitrary bytes in one of the charsets the library names (picked by the first byte),
// as text and as a URI.
#include <cstddef>
#include <cstdint>
#include <string>

#include <VEKParser/html/vocabulary/NamedCharacters.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    static constexpr VEK::CHARSET kCharsets[] = {VEK::CHARSET_UTF8,  VEK::CHARSET_WINDOWS_1252,
                                                 VEK::CHARSET_US_ASCII, VEK::CHARSET_UTF16,
                                                 VEK::CHARSET_UTF16_SWAPPED, VEK::CHARSET_UCS4,
                                                 static_cast<VEK::CHARSET>(932)};
    const VEK::CHARSET charset = kCharsets[data[0] % (sizeof(kCharsets) / sizeof(kCharsets[0]))];
    const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    VEK::WString out;
    VEKParser::ExpandCharacterReferences(charset, bytes, out, (data[0] & 0x80) != 0);
    VEKParser::ExpandCharacterReferences(charset, bytes.data(), static_cast<unsigned int>(bytes.size()), out, false);
    VEK::WString uri;
    VEKParser::ExpandUriCharacterReferences(charset, bytes, uri);
    return 0;
}
