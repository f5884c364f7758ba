#pragma once

// What the test programs share: reading a file whole, running a reference tool, and where the
// python3-doc pages that serve as real data live.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace test_support {

inline const std::string PYTHON_DOC = "/usr/share/doc/python3/html";
// Debian's interpreter, whatever python3 comes first on PATH: its standard library is the oracle.
inline const std::string PYTHON = "/usr/bin/python3";

// The bytes of a file, empty when it cannot be read.
inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Output {
    bool ok = false;   // the command ran and exited with 0
    std::string text;  // its standard output
};

inline Output Run(const std::string& command)
{
    Output result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.text.append(buffer, n);
    result.ok = ::pclose(pipe) == 0;
    return result;
}

} // namespace test_support
