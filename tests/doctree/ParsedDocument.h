#pragma once

// Parses a small document for the query tests and reads results back as UTF-8.
#include <memory>
#include <string>

#include <VEKParser/host/MemoryBuffer.h>
#include <VEKParser/html/doctree/DocTree.h>

namespace doctree_test {

inline std::unique_ptr<VEKParser::HtmlDocTree> Parse(const std::string& html, VEK::CHARSET charset = 65001,
                                                     VEKParser::PrtType profile = VEKParser::DEFAULT_PRT)
{
    const VEKParser::HtmlKeywordTable table(profile);
    VEKFile::MemoryBuffer stream(html.data(), static_cast<unsigned int>(html.size()));
    auto tree = charset == VEK::CHARSET_UNKNOWN ? std::make_unique<VEKParser::HtmlDocTree>()
                                                : std::make_unique<VEKParser::HtmlDocTree>(charset);
    VEKParser::HtmlDocParser(stream, table, *tree).Parse();
    return tree;
}

inline std::string Utf8(const VEK::WString& text) { return VEK::ToUtf8(text); }

inline std::string Text(const VEKParser::HtmlDocTree& tree)
{
    VEK::WString text;
    tree.GetText(text);
    return Utf8(text);
}

// The bytes a stream holds, from its start.
inline std::string Bytes(VEKFile::MemoryBuffer& stream)
{
    std::string bytes;
    stream.SeekG(0);
    stream.Copy(bytes);
    return bytes;
}

// `ascii` as 16-bit text in machine byte order, the bytes of a charset-1201 document.
inline std::string Wide(const std::string& ascii)
{
    std::string bytes;
    for (const char c : ascii) {
        const auto unit = static_cast<unsigned short>(static_cast<unsigned char>(c));
        bytes.append(reinterpret_cast<const char*>(&unit), sizeof unit);
    }
    return bytes;
}

} // namespace doctree_test
