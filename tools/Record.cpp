#include "Record.h"

namespace vekparse {

Record::Record(bool json, const std::string& path, bool header) : m_bJson(json)
{
    if (m_bJson)
        m_Fields["path"] = path;
    else if (header)
        m_sText.append("==> ").append(path).append(" <==\n");
}

std::string Record::Finish()
{
    if (!m_bJson) return std::move(m_sText);
    // File names and document bytes need not be UTF-8; JSON must be.
    std::string line = m_Fields.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    line.push_back('\n');
    return line;
}

} // namespace vekparse
