#pragma once

#include <string>
#include <string_view>

#include <pybind11/pybind11.h>

#include <VEKParser/host/HostTypes.h>

namespace vekpy {

namespace py = pybind11;

// The bytes of an object with the buffer protocol (bytes, bytearray, memoryview, ...), read in
// place: no copy, and the object cannot be resized while the view lives. Needs the GIL to be
// made and destroyed, not to be read.
class ByteView {
public:
    // Raises BufferError for a buffer that is not contiguous and ValueError for 4 GiB or more,
    // which the library's 32-bit offsets cannot address.
    explicit ByteView(const py::buffer& data);
    ~ByteView();
    ByteView(const ByteView&) = delete;
    ByteView& operator=(const ByteView&) = delete;

    std::string_view Bytes() const noexcept { return {static_cast<const char*>(m_View.buf), static_cast<std::size_t>(m_View.len)}; }

private:
    Py_buffer m_View{};
};

// str of 16-bit text, built in one step; unpaired surrogates become U+FFFD as VEK::ToUtf8 does.
py::str Str(const VEK::WString& text);
// str of UTF-8 text; invalid sequences become U+FFFD.
py::str Str(std::string_view utf8);
// The 16-bit units of a str.
VEK::WString Wide(const py::str& text);

// A charset given as a name ("windows-1251") or a code page number; LookupError when the
// conversion library cannot read it. None gives VEK::CHARSET_UNKNOWN.
VEK::CHARSET CharsetArgument(const py::object& charset);

} // namespace vekpy
