#pragma once

#include <string>
#include <string_view>

#include <VEKParser/host/HostTypes.h>

// 16-bit text from UTF-16LE bytes, as Python writes them with "utf-16-le".
inline VEK::WString FromUtf16Le(const std::string& bytes)
{
    VEK::WString text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<unsigned short>(static_cast<unsigned char>(bytes[i]) |
                                                   (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    return text;
}

// 16-bit text from a UTF-16 literal.
inline VEK::WString W(std::u16string_view text) { return VEK::WString(text.begin(), text.end()); }
