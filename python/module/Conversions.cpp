#include "Conversions.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <string>

#include "Charsets.h"

namespace vekpy {

ByteView::ByteView(const py::buffer& data)
{
    if (PyObject_GetBuffer(data.ptr(), &m_View, PyBUF_SIMPLE) != 0) throw py::error_already_set();
    if (static_cast<std::size_t>(m_View.len) >= std::numeric_limits<unsigned>::max()) {
        PyBuffer_Release(&m_View);
        throw py::value_error("data of 4 GiB or more");
    }
}

ByteView::~ByteView() { PyBuffer_Release(&m_View); }

namespace {

// A str of 16-bit units that are all code points (no surrogates): made and filled in place,
// with no codec, as most text is. Null when a surrogate needs the codec.
PyObject* StrOfCodePoints(const VEK::WString& text)
{
    unsigned bits = 0;
    bool surrogates = false;
    for (const unsigned short unit : text) {
        bits |= unit;
        surrogates |= (unit & 0xF800) == 0xD800;
    }
    if (surrogates) return nullptr;
    const Py_UCS4 most = bits < 0x80 ? 0x7F : bits < 0x100 ? 0xFF : 0xFFFF;
    PyObject* str = PyUnicode_New(static_cast<Py_ssize_t>(text.size()), most);
    if (!str) throw py::error_already_set();
    if (most == 0xFFFF)
        std::memcpy(PyUnicode_DATA(str), text.data(), text.size() * 2);
    else
        std::copy(text.begin(), text.end(), static_cast<Py_UCS1*>(PyUnicode_DATA(str)));
    return str;
}

} // namespace

py::str Str(const VEK::WString& text)
{
    if (PyObject* str = StrOfCodePoints(text)) return py::reinterpret_steal<py::str>(str);
    int order = std::endian::native == std::endian::little ? -1 : 1;  // machine order, a BOM kept as text
    PyObject* str = PyUnicode_DecodeUTF16(reinterpret_cast<const char*>(text.data()),
                                          static_cast<Py_ssize_t>(text.size() * 2), "replace", &order);
    if (!str) throw py::error_already_set();
    return py::reinterpret_steal<py::str>(str);
}

py::str Str(std::string_view utf8)
{
    PyObject* str = PyUnicode_DecodeUTF8(utf8.data(), static_cast<Py_ssize_t>(utf8.size()), "replace");
    if (!str) throw py::error_already_set();
    return py::reinterpret_steal<py::str>(str);
}

VEK::WString Wide(const py::str& text)
{
    const char* encoding = std::endian::native == std::endian::little ? "utf-16-le" : "utf-16-be";
    PyObject* units = PyUnicode_AsEncodedString(text.ptr(), encoding, "surrogatepass");
    if (!units) throw py::error_already_set();
    const py::bytes bytes = py::reinterpret_steal<py::bytes>(units);
    VEK::WString wide(static_cast<std::size_t>(PyBytes_GET_SIZE(units)) / 2, 0);
    std::memcpy(wide.data(), PyBytes_AS_STRING(units), wide.size() * 2);
    return wide;
}

VEK::CHARSET CharsetArgument(const py::object& charset)
{
    if (charset.is_none()) return VEK::CHARSET_UNKNOWN;
    std::string name;
    if (py::isinstance<py::str>(charset))
        name = charset.cast<std::string>();
    else if (py::isinstance<py::int_>(charset) && !py::isinstance<py::bool_>(charset))
        name = py::str(charset).cast<std::string>();
    else
        throw py::type_error("charset must be a name, a code page number or None");
    if (const auto parsed = vekparse::ParseCharset(name)) return *parsed;
    PyErr_SetString(PyExc_LookupError, ("unknown charset: " + name).c_str());
    throw py::error_already_set();
}

} // namespace vekpy
