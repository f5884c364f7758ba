#pragma once

#include <cstddef>
#include <string>

namespace HostileInput {

constexpr std::size_t MB = 1u << 20;

// `unit` repeated until the text holds at least `bytes` bytes.
inline std::string Repeat(const std::string& unit, std::size_t bytes)
{
    std::string text;
    text.reserve(bytes + unit.size());
    while (text.size() < bytes) text += unit;
    return text;
}

// The same bytes as 16-bit units in little-endian (machine) order.
inline std::string Widen16(const std::string& ascii)
{
    std::string bytes;
    bytes.reserve(2 * ascii.size());
    for (const char c : ascii) bytes += {c, '\0'};
    return bytes;
}

} // namespace HostileInput
