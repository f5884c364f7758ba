// vekparse asn1: the decoded tree of DER input, or of every block of PEM input.
#include <charconv>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include <VEKParser/asn/ASNParser.h>
#include <VEKParser/asn/ASNTreePrinter.h>
#include <VEKParser/host/MappedFile.h>

#include "Commands.h"
#include "Pem.h"

namespace vekparse {

namespace {

// The library's printer writes one line per node; its lines are the readable output.
std::string PrintedTree(std::string_view der)
{
    VEKFile::MemoryViewStream stream(der.data(), static_cast<unsigned>(der.size()));
    VEKParser::ASNTree tree;
    VEKParser::ASNParser().Parse(stream, tree);
    std::ostringstream printed;
    VEKParser::PrintASNTree(tree, printed);
    return std::move(printed).str();
}

std::string_view Cut(std::string_view& text, std::string_view separator)
{
    const std::size_t at = std::min(text.find(separator), text.size());
    const std::string_view head = text.substr(0, at);
    text.remove_prefix(std::min(text.size(), at + separator.size()));
    return head;
}

long long Number(std::string_view digits)
{
    long long value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}

// The printer quotes text and writes quotes, backslashes and control characters as \xHH.
std::string Unquoted(std::string_view quoted)
{
    std::string text;
    for (std::size_t i = 1; i + 1 < quoted.size(); ++i) {
        if (quoted[i] == '\\' && i + 3 < quoted.size()) {
            text.push_back(static_cast<char>(std::stoi(std::string(quoted.substr(i + 2, 2)), nullptr, 16)));
            i += 3;
        } else {
            text.push_back(quoted[i]);
        }
    }
    return text;
}

// The fields of one printed line ("4:d=1 hl=4 l=659 cons: [0] SEQUENCE" or
// "13:d=2 hl=2 l=20 prim: INTEGER  Integer: 2"), so that JSON readers need not take it apart.
nlohmann::ordered_json NodeFields(std::string_view line)
{
    nlohmann::ordered_json node;
    node["offset"] = Number(Cut(line, ":d="));
    node["depth"] = Number(Cut(line, " hl="));
    node["header_length"] = Number(Cut(line, " l="));
    const std::string_view length = Cut(line, " ");
    node["length"] = length == "inf" ? nlohmann::ordered_json() : nlohmann::ordered_json(Number(length));
    node["constructed"] = Cut(line, ": ") == "cons";
    if (line.starts_with('[')) {
        line.remove_prefix(1);
        node["explicit_tag"] = Number(Cut(line, "] "));
    }
    node["tag"] = Cut(line, "  ");
    if (line.empty()) return node;
    const std::string_view type = Cut(line, ": ");
    node["type"] = type;
    if (type == "Integer")
        node["value"] = Number(line);
    else if (type == "Boolean")
        node["value"] = line == "true";
    else if (type == "WideString")
        node["value"] = Unquoted(line);
    else if (type != "Null")
        node["value"] = line;
    return node;
}

nlohmann::ordered_json NodeList(const std::string& printed)
{
    nlohmann::ordered_json nodes = nlohmann::ordered_json::array();
    std::string_view rest = printed;
    while (!rest.empty()) nodes.push_back(NodeFields(Cut(rest, "\n")));
    return nodes;
}

void WritePem(std::string_view bytes, Record& record)
{
    const std::vector<PemBlock> blocks = DecodePem(bytes);
    if (blocks.empty()) throw std::runtime_error("PEM text without a block");
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const std::string printed = PrintedTree(blocks[i].der);
        if (record.IsJson())
            list.push_back({{"label", blocks[i].label}, {"nodes", NodeList(printed)}});
        else
            record.Text() += fmt::format("PEM block {} of {}: {}\n{}", i + 1, blocks.size(), blocks[i].label, printed);
    }
    if (record.IsJson()) record.Fields()["blocks"] = std::move(list);
}

} // namespace

DocumentJob Asn1Job(const Options&)
{
    return [](Document& document, Record& record) {
        const std::string_view bytes = document.Bytes();
        if (LooksLikePem(bytes)) return WritePem(bytes, record);
        const std::string printed = PrintedTree(bytes);
        if (record.IsJson())
            record.Fields()["nodes"] = NodeList(printed);
        else
            record.Text() += printed;
    };
}

} // namespace vekparse
