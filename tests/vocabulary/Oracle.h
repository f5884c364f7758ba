#pragma once

#include <cstdio>
#include <string>

#include <VEKParser/host/HostTypes.h>

// Independent expectations computed by Python's standard library.
namespace VocabularyOracle {

// Output of a shell command, or nullopt-like empty with `ok` false when it could not run.
struct Output {
    bool ok = false;
    std::string text;
};

inline Output Run(const std::string& command)
{
    Output result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) result.text.append(buffer, n);
    result.ok = ::pclose(pipe) == 0;
    return result;
}

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

} // namespace VocabularyOracle
