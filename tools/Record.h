#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace vekparse {

// The output of one document: readable text, or one JSON object that becomes one line of
// JSON Lines. Commands fill whichever the mode asks for.
class Record {
public:
    // With `header`, readable output starts with a line naming the document, as head(1) does
    // for several files. A JSON record names it by "path" (valid UTF-8) and, when the name is
    // not valid UTF-8, by its exact bytes in "path_base64" too.
    Record(bool json, const std::string& path, bool header);

    bool IsJson() const noexcept { return m_bJson; }
    nlohmann::ordered_json& Fields() noexcept { return m_Fields; }
    std::string& Text() noexcept { return m_sText; }
    // A field whose value the command serialises itself (see AppendJsonString), for values too
    // large to build as JSON objects first; it follows the other fields.
    std::string& RawField(std::string key);

    // Marks a record that holds only part of its document ("complete": false in JSON); `why`
    // is what the warning line says.
    void MarkIncomplete(std::string why);
    // Why the record is incomplete; empty when it is complete.
    const std::string& Incomplete() const noexcept { return m_sIncomplete; }

    // The bytes for standard output.
    std::string Finish();

private:
    bool m_bJson;
    nlohmann::ordered_json m_Fields;
    std::string m_sText;
    std::string m_sIncomplete;
    std::vector<std::pair<std::string, std::string>> m_RawFields;
};

// Appends `utf8` (valid UTF-8) as a JSON string, quotes included.
void AppendJsonString(std::string& out, std::string_view utf8);

} // namespace vekparse
