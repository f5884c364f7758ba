#pragma once

// What Python's html.parser finds in the python3-doc sample (tests/doctree/html_tree_oracle.py):
// per page its title, the ASCII words of its text outside script and style, and the href of
// every <a> tag, in document order.
#include <sstream>
#include <string>
#include <vector>

#include "tests/Support.h"

namespace doctree_test {

struct Oracle {
    std::string page;
    std::string title;
    std::vector<std::string> words;
    std::vector<std::string> hrefs;
};

// Empty when python3 or the pages are missing.
inline std::vector<Oracle> PythonOracle()
{
    const test_support::Output output = test_support::Run(test_support::PYTHON + " " + std::string(VEKPARSER_SOURCE_DIR) +
                                                          "/tests/doctree/html_tree_oracle.py " + test_support::PYTHON_DOC);
    if (!output.ok) return {};
    std::vector<Oracle> pages;
    std::istringstream lines(output.text);
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
    return test_support::ReadFile(test_support::PYTHON_DOC + "/" + page);
}

} // namespace doctree_test
