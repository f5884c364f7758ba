#include <VEKParser/asn/ASNTreePrinter.h>

#include <charconv>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "asn/ASNTagTable.h"

namespace VEKParser {

namespace {

using Handle = VEK::SmartPtr<BaseASNNode>;

const char* const VALUE_TYPE_NAMES[] = {"",     "BigInteger", "Integer", "Null",    "WideString",      "Boolean",
                                        "BitString", "OctetString", "Real", "Time", "ObjectIdentifier"};
const char* const CLASS_NAMES[] = {"UNIVERSAL", "APPLICATION", "CONTEXT", "PRIVATE"};

void WriteHex(std::ostream& out, const unsigned char* bytes, std::size_t count)
{
    static const char DIGITS[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        text += DIGITS[bytes[i] >> 4];
        text += DIGITS[bytes[i] & 15];
    }
    out << text;
}

void WriteTag(std::ostream& out, const ASNHeader& header)
{
    const char* name = header.m_nClass == 0 ? FindTagRow(header.m_nTagNumber).m_pName : nullptr;
    if (name)
        out << name;
    else
        out << CLASS_NAMES[header.m_nClass & 3] << ' ' << static_cast<unsigned int>(header.m_nTagNumber);
}

// Positive values as their magnitude, negative ones as '-' and theirs.
void WriteBigInteger(std::ostream& out, const ASNVLongInt& value)
{
    const bool negative = value.GetBuffer().ContiguousData()[0] & 0x80;
    const ASNVLongInt magnitude = negative ? value.Negate() : value;
    const auto& buffer = magnitude.GetBuffer();
    const unsigned char* bytes = buffer.ContiguousData();
    std::size_t count = buffer.Size();
    while (count > 1 && bytes[0] == 0) ++bytes, --count;
    out << (negative ? "-0x" : "0x");
    WriteHex(out, bytes, count);
}

// Control characters would break the one-line form; they are shown as escapes.
void WriteText(std::ostream& out, const VEK::WString& text)
{
    std::string quoted = "\"";
    for (const char c : VEK::ToUtf8(text)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '"' || c == '\\') {
            static const char DIGITS[] = "0123456789ABCDEF";
            quoted += "\\x";
            quoted += DIGITS[byte >> 4];
            quoted += DIGITS[byte & 15];
        } else {
            quoted += c;
        }
    }
    out << quoted << '"';
}

void WriteObjectIdentifier(std::ostream& out, const std::vector<int>& arcs)
{
    for (std::size_t i = 0; i < arcs.size(); ++i) out << (i ? "." : "") << static_cast<unsigned int>(arcs[i]);
}

void WriteReal(std::ostream& out, double value)
{
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.write(text, result.ptr - text);
}

template <class T>
const T* ValueOf(const BaseASNNode& node)
{
    const auto* primitive = dynamic_cast<const PrimitiveASNNode<T>*>(&node);
    return primitive ? &primitive->Value() : nullptr;
}

// Nodes made by callers may pair a code with another type; their value is then left out.
void WriteValue(std::ostream& out, const BaseASNNode& node, int type)
{
    switch (type) {
    case BigInteger:
        if (const auto* value = ValueOf<ASNVLongInt>(node)) WriteBigInteger(out, *value);
        break;
    case Integer:
        if (const auto* value = ValueOf<std::int64_t>(node)) out << *value;
        break;
    case WideString:
        if (const auto* value = ValueOf<VEK::WString>(node)) WriteText(out, *value);
        break;
    case Boolean:
        if (const auto* value = ValueOf<bool>(node)) out << (*value ? "true" : "false");
        break;
    case BitString:
        if (const auto* value = ValueOf<VEK::BitVector>(node)) {
            out << value->size() << " bits ";
            WriteHex(out, value->data(), value->byteSize());
        }
        break;
    case OctetString:
        if (const auto* value = ValueOf<std::string>(node))
            WriteHex(out, reinterpret_cast<const unsigned char*>(value->data()), value->size());
        break;
    case Real:
        if (const auto* value = ValueOf<double>(node)) WriteReal(out, *value);
        break;
    case Time:
        if (const auto* time = dynamic_cast<const ASNTimeNode*>(&node))
            out << time->GetWrittenText();
        else if (const auto* value = ValueOf<VEK::DateTime>(node))
            out << value->ToString();
        break;
    case ObjectIdentifier:
        if (const auto* value = ValueOf<std::vector<int>>(node)) WriteObjectIdentifier(out, *value);
        break;
    default:
        break;
    }
}

void WriteLine(std::ostream& out, const BaseASNNode& node, std::size_t depth)
{
    const ASNHeader& header = node.GetHeader();
    out << header.m_uOffset << ":d=" << depth << " hl=" << header.m_uHeaderLength << " l=";
    if (header.m_nLength == ASNHeader::INDEFINITE)
        out << "inf";
    else
        out << header.m_nLength;
    out << (node.IsPrimitive() ? " prim: " : " cons: ");
    if (node.GetTag() != -1) out << '[' << node.GetTag() << "] ";
    WriteTag(out, header);
    if (node.IsPrimitive()) {
        const int type = node.GetValueType();
        out << "  " << GetValueTypeName(type);
        if (type != Null) {
            out << ": ";
            WriteValue(out, node, type);
        }
    }
    out << '\n';
}

} // namespace

const char* GetValueTypeName(int valueType) noexcept
{
    return valueType > 0 && valueType <= ObjectIdentifier ? VALUE_TYPE_NAMES[valueType] : "?";
}

void PrintASNTree(const ASNTree& tree, std::ostream& out)
{
    // Walked with a stack of sibling ranges, so the depth of a tree built by hand does not
    // matter.
    std::vector<std::pair<const Handle*, const Handle*>> ranges{{tree.Begin(), tree.End()}};
    while (!ranges.empty()) {
        auto& [next, end] = ranges.back();
        if (next == end) {
            ranges.pop_back();
            continue;
        }
        const BaseASNNode* node = (next++)->Get();
        if (!node) continue;
        WriteLine(out, *node, ranges.size() - 1);
        if (const auto* constructed = dynamic_cast<const ConstructedASNNode*>(node))
            ranges.emplace_back(constructed->Begin(), constructed->End());
    }
}

} // namespace VEKParser
