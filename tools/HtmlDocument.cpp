#include "HtmlDocument.h"

#include <VEKParser/host/MappedFile.h>

namespace vekparse {

HtmlDocument::HtmlDocument(std::string_view bytes, VEK::CHARSET forced, const VEKParser::HtmlKeywordTable& table,
                           std::string_view httpCharset)
    : m_Choice(ChooseCharset(forced, bytes, httpCharset))
{
    std::string_view content = bytes.substr(m_Choice.bomLength);
    if (IsWideCharset(m_Choice.charset)) {
        m_sUtf8 = DecodeToUtf8(m_Choice.charset, content);
        Parse(m_sUtf8, VEK::CHARSET_UTF8, table);
        return;
    }
    Parse(content, m_Choice.charset, table);
    VEK::WString declared;
    m_pTree->GetMetaCharset(declared);
    if (Redeclare(m_Choice, VEK::ToUtf8(declared), content)) Parse(content, m_Choice.charset, table);
}

HtmlDocument::~HtmlDocument() = default;

void HtmlDocument::Parse(std::string_view content, VEK::CHARSET charset, const VEKParser::HtmlKeywordTable& table)
{
    VEKFile::MemoryViewStream stream(content.data(), static_cast<unsigned>(content.size()));
    m_pTree = std::make_unique<VEKParser::HtmlDocTree>(charset);
    VEKParser::HtmlDocParser parser(stream, table, *m_pTree);
    m_bComplete = parser.Parse();
}

} // namespace vekparse
