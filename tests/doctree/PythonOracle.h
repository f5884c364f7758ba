#pragma once

// What Python's html.parser finds in the python3-doc sample (tests/doctree/html_tree_oracle.py):
// per page its title, the ASCII words of its text outside script and style, and the href of
// every <a> tag, in document order.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace doctree_test {

inline const char* const kPythonDocPages = "/usr/share/doc/python3/html";

struct Oracle {
    std::string page;
    std::string title;
    std::vector<std::string> words;
    std::vector<std::string> hrefs;
};

// Empty when python3 or the pages are missing.
inline std::vector<Oracle> PythonOracle()
{
    const std::string command =
        std::string("python3 ") + VEKPARSER_SOURCE_DIR + "/tests/doctree/html_tree_oracle.py " + kPythonDocPages;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return {};
    std::string output;
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    if (::pclose(pipe) != 0) return {};
    std::vector<Oracle> pages;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        const std::string rest = line.size() > 2 ? line.substr(2) : std::string();
        if (line.rfind("# ", 0) == 0) pages.push_back({rest, {}, {}, {}});
        else if (pages.empty()) continue;
        else if (line[0] == 'T') pages.back().title = rest;
        else if (line[0] == 'H') pages.back().hrefs.push_back(rest);
        else if (line[0] == 'W') {
            std::istringstream words(rest);
            for (std::string word; words >> word;) pages.back().words.push_back(word);
        }
    }
    return pages;
}

inline std::string ReadPythonDocPage(const std::string& page)
{
    std::ifstream file(std::string(kPythonDocPages) + "/" + page, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

} // namespace doctree_test
