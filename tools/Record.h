#pragma once

#include <string>

#include <nlohmann/json.hpp>

namespace vekparse {

// The output of one document: readable text, or one JSON object that becomes one line of
// JSON Lines. Commands fill whichever the mode asks for.
class Record {
public:
    // With `header`, readable output starts with a line naming the document, as head(1) does
    // for several files.
    Record(bool json, const std::string& path, bool header);

    bool IsJson() const noexcept { return m_bJson; }
    nlohmann::ordered_json& Fields() noexcept { return m_Fields; }
    std::string& Text() noexcept { return m_sText; }

    // The bytes for standard output.
    std::string Finish();

private:
    bool m_bJson;
    nlohmann::ordered_json m_Fields;
    std::string m_sText;
};

} // namespace vekparse
