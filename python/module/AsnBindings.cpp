// decode_ber, decode_pem and Node: BER values as a tree of typed nodes.
#include <string>
#include <string_view>
#include <vector>

#include <VEKParser/asn/ASNParser.h>
#include <VEKParser/asn/ASNTreePrinter.h>
#include <VEKParser/host/MappedFile.h>

#include "Bindings.h"
#include "Conversions.h"
#include "Pem.h"

namespace vekpy {

namespace {

using VEKParser::BaseASNNode;
using Handle = VEK::SmartPtr<BaseASNNode>;

// A decoded value; the node is shared with the tree it came from.
struct Node {
    Handle node;
};

template <class T>
const T& ValueOf(const BaseASNNode& node)
{
    return static_cast<const VEKParser::PrimitiveASNNode<T>&>(node).Value();
}

py::object BigInteger(const VEKParser::ASNVLongInt& value)
{
    const VEK::BinaryStreamBufT<unsigned int>& buffer = value.GetBuffer();
    const py::bytes bytes(reinterpret_cast<const char*>(buffer.ContiguousData()), buffer.Size());
    return py::type::of(py::int_(0)).attr("from_bytes")(bytes, "big", py::arg("signed") = true);
}

py::object Time(const VEK::DateTime& value)
{
    if (value.Value() == 0) return py::none();
    const py::module_ datetime = py::module_::import("datetime");
    return datetime.attr("datetime").attr("fromtimestamp")(value.Value(), datetime.attr("timezone").attr("utc"));
}

py::object Value(const BaseASNNode& node)
{
    if (!node.IsPrimitive()) return py::none();
    switch (node.GetValueType()) {
    case VEKParser::BigInteger: return BigInteger(ValueOf<VEKParser::ASNVLongInt>(node));
    case VEKParser::Integer: return py::int_(ValueOf<std::int64_t>(node));
    case VEKParser::WideString: return Str(ValueOf<VEK::WString>(node));
    case VEKParser::Boolean: return py::bool_(ValueOf<bool>(node));
    case VEKParser::BitString: {
        const VEK::BitVector& bits = ValueOf<VEK::BitVector>(node);
        return py::make_tuple(py::bytes(reinterpret_cast<const char*>(bits.data()), bits.byteSize()), bits.size());
    }
    case VEKParser::OctetString: return py::bytes(ValueOf<std::string>(node));
    case VEKParser::Real: return py::float_(ValueOf<double>(node));
    case VEKParser::Time: return Time(ValueOf<VEK::DateTime>(node));
    case VEKParser::ObjectIdentifier: {
        const std::vector<int>& arcs = ValueOf<std::vector<int>>(node);
        py::tuple tuple(arcs.size());
        for (std::size_t i = 0; i < arcs.size(); ++i) tuple[i] = py::int_(arcs[i]);
        return tuple;
    }
    default: return py::none();
    }
}

py::list Children(const BaseASNNode& node)
{
    py::list children;
    if (const auto* constructed = dynamic_cast<const VEKParser::ConstructedASNNode*>(&node))
        for (const Handle* child = constructed->Begin(); child != constructed->End(); ++child)
            children.append(Node{*child});
    return children;
}

py::list NodesOf(const VEKParser::ASNTree& tree)
{
    py::list nodes;
    for (const Handle* node = tree.Begin(); node != tree.End(); ++node) nodes.append(Node{*node});
    return nodes;
}

py::list DecodeDer(std::string_view der)
{
    VEKParser::ASNTree tree;
    {
        py::gil_scoped_release unlocked;
        VEKFile::MemoryViewStream stream(der.data(), static_cast<unsigned>(der.size()));
        VEKParser::ASNParser().Parse(stream, tree);
    }
    return NodesOf(tree);
}

py::list DecodeBer(const py::buffer& data)
{
    const ByteView view(data);
    return DecodeDer(view.Bytes());
}

py::list DecodePem(const py::object& text)
{
    std::string pem;
    if (py::isinstance<py::str>(text))
        pem = text.cast<std::string>();
    else if (PyObject_CheckBuffer(text.ptr()))
        pem = ByteView(text.cast<py::buffer>()).Bytes();
    else
        throw py::type_error("decode_pem() takes str or bytes");
    std::vector<vekparse::PemBlock> blocks;
    try {
        blocks = vekparse::DecodePem(pem);
    } catch (const std::runtime_error& e) {
        throw py::value_error(e.what());
    }
    py::list result;
    for (const vekparse::PemBlock& block : blocks) result.append(py::make_tuple(block.label, DecodeDer(block.der)));
    return result;
}

std::string Repr(const Node& node)
{
    const BaseASNNode& value = *node.node;
    const VEKParser::ASNHeader& header = value.GetHeader();
    std::string text = "<vekparser.Node offset=" + std::to_string(header.m_uOffset);
    if (value.GetTag() != -1) text += " tag=[" + std::to_string(value.GetTag()) + "]";
    if (!value.IsPrimitive()) return text + " constructed children=" + std::to_string(value.NumberOfChildren()) + ">";
    return text + " type=" + VEKParser::GetValueTypeName(value.GetValueType()) + ">";
}

py::object OptionalLength(const VEKParser::ASNHeader& header)
{
    return header.m_nLength == VEKParser::ASNHeader::INDEFINITE ? py::object(py::none()) : py::int_(header.m_nLength);
}

} // namespace

void BindAsn(py::module_& module)
{
    py::class_<Node>(module, "Node", R"(A decoded BER value.

Constructed values have children; primitive values a type and a value. A value wrapped in a
context-specific tag carries that tag's number as its tag.)")
        .def_property_readonly(
            "tag", [](const Node& n) { return n.node->GetTag() == -1 ? py::object(py::none()) : py::int_(n.node->GetTag()); },
            "The number of the context-specific tag that wrapped the value, or None.")
        .def_property_readonly("constructed", [](const Node& n) { return !n.node->IsPrimitive(); },
                               "True for a constructed value (SEQUENCE, SET, ...).")
        .def_property_readonly("children", [](const Node& n) { return Children(*n.node); },
                               "The values inside a constructed value, in order (a list of Node).")
        .def_property_readonly(
            "type",
            [](const Node& n) {
                return n.node->IsPrimitive() ? py::object(py::str(VEKParser::GetValueTypeName(n.node->GetValueType())))
                                             : py::object(py::none());
            },
            "The value type of a primitive value: 'BigInteger', 'Integer', 'Null', 'WideString',\n"
            "'Boolean', 'BitString', 'OctetString', 'Real', 'Time' or 'ObjectIdentifier'; None when\n"
            "constructed.")
        .def_property_readonly("value", [](const Node& n) { return Value(*n.node); },
                               R"(The value as Python has it: bool, int (of any size), float, str, bytes, a
tuple of ints for an object identifier, an aware UTC datetime for a time (None when it cannot
be read), (bytes, nbits) for a bit string; None for NULL and constructed values.)")
        .def_property_readonly("offset", [](const Node& n) { return n.node->GetHeader().m_uOffset; },
                               "Offset of the value's identifier octet in the data.")
        .def_property_readonly("header_length", [](const Node& n) { return n.node->GetHeader().m_uHeaderLength; },
                               "Length of the identifier and length octets.")
        .def_property_readonly("length", [](const Node& n) { return OptionalLength(n.node->GetHeader()); },
                               "Length of the contents octets; None for the indefinite form.")
        .def_property_readonly("tag_class", [](const Node& n) { return n.node->GetHeader().m_nClass; },
                               "0 universal, 1 application, 2 context-specific, 3 private.")
        .def_property_readonly("tag_number", [](const Node& n) { return n.node->GetHeader().m_nTagNumber; },
                               "The tag number of the value's identifier (16 for SEQUENCE).")
        .def("__repr__", &Repr);

    module.def("decode_ber", &DecodeBer, py::arg("data"),
               R"(Decodes BER or DER data (bytes, bytearray or memoryview) into its top-level values, a list of Node.

Raises PrematureEOFError when the data ends inside a value, EOCError for end-of-contents octets
outside an indefinite-length value, ASNError for other malformed data. Releases the GIL.)");
    module.def("decode_pem", &DecodePem, py::arg("text"),
               R"(Decodes every PEM block of a text (str or bytes): a list of (label, list of Node).

Raises ValueError for a block without its END line or with a body that is not base64, and the
errors of decode_ber for its contents.)");
}

} // namespace vekpy
