#include "Conversions.h"

#include <emmintrin.h>

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

// The OR of all units and whether any is a surrogate, eight units a step: page texts run to
// tens of thousands of units, and a unit-at-a-time scan cost as much as the query that made them.
struct UnitSummary {
    unsigned bits = 0;
    bool surrogates = false;
};

UnitSummary Summarise(const unsigned short* units, std::size_t count)
{
    const __m128i surrogateMask = _mm_set1_epi16(static_cast<short>(0xF800));
    const __m128i surrogateBits = _mm_set1_epi16(static_cast<short>(0xD800));
    __m128i bits = _mm_setzero_si128();
    __m128i surrogates = _mm_setzero_si128();
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m128i lanes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i));
        bits = _mm_or_si128(bits, lanes);
        surrogates = _mm_or_si128(surrogates, _mm_cmpeq_epi16(_mm_and_si128(lanes, surrogateMask), surrogateBits));
    }
    alignas(16) unsigned short lanes[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), bits);
    UnitSummary summary;
    summary.surrogates = _mm_movemask_epi8(surrogates) != 0;
    for (const unsigned short lane : lanes) summary.bits |= lane;
    for (; i < count; ++i) {
        summary.bits |= units[i];
        summary.surrogates |= (units[i] & 0xF800) == 0xD800;
    }
    return summary;
}

// Units below 0x100 into bytes, sixteen a step.
void Narrow(const unsigned short* units, std::size_t count, Py_UCS1* out)
{
    std::size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i + 8));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(low, high));
    }
    for (; i < count; ++i) out[i] = static_cast<Py_UCS1>(units[i]);
}

// A str of 16-bit units that are all code points (no surrogates): made and filled in place,
// with no codec, as most text is. Null when a surrogate needs the codec.
PyObject* StrOfCodePoints(const VEK::WString& text)
{
    const UnitSummary summary = Summarise(text.data(), text.size());
    if (summary.surrogates) return nullptr;
    const Py_UCS4 most = summary.bits < 0x80 ? 0x7F : summary.bits < 0x100 ? 0xFF : 0xFFFF;
    PyObject* str = PyUnicode_New(static_cast<Py_ssize_t>(text.size()), most);
    if (!str) throw py::error_already_set();
    if (most == 0xFFFF)
        std::memcpy(PyUnicode_DATA(str), text.data(), text.size() * 2);
    else
        Narrow(text.data(), text.size(), static_cast<Py_UCS1*>(PyUnicode_DATA(str)));
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
