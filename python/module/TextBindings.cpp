// escape, unescape, unescape_uri and expand: entities and charset expansion.
#include <VEKParser/encoding/SGMLEncodingHelper.h>
#include <VEKParser/host/MappedFile.h>
#include <VEKParser/html/vocabulary/HtmlEntities.h>

#include "Bindings.h"
#include "Conversions.h"

namespace vekpy {

namespace {

const VEKParser::HtmlEntities& Entities() { return *VEKParser::HtmlEntities::GetInstance(); }

py::str Escape(const py::str& text, bool keepDelimiters, bool numeric)
{
    VEK::WString out;
    Entities().Escape(Wide(text), out, !keepDelimiters, numeric);
    return Str(out);
}

template <bool (VEKParser::HtmlEntities::*Method)(const VEK::WString&, VEK::WString&) const>
py::str Unescaped(const py::str& text)
{
    VEK::WString out;
    (Entities().*Method)(Wide(text), out);
    return Str(out);
}

py::str Expand(const py::buffer& data, const py::object& charset)
{
    const VEK::CHARSET from = CharsetArgument(charset);
    if (from == VEK::CHARSET_UNKNOWN) throw py::type_error("expand() needs a charset");
    VEK::WString text;
    {
        const ByteView view(data);
        py::gil_scoped_release unlocked;
        VEKFile::MemoryViewStream stream(view.Bytes().data(), static_cast<unsigned>(view.Bytes().size()));
        VEKParser::SGMLEncodingHelper(from).ExpandToUnicode(stream, text);
    }
    return Str(text);
}

} // namespace

void BindText(py::module_& module)
{
    module.def("escape", &Escape, py::arg("text"), py::kw_only(), py::arg("keep_delimiters") = false,
               py::arg("numeric") = false,
               R"(Writes characters as HTML entity references; keep_delimiters leaves <, > and & as they are,
numeric writes characters above U+00FF as &#N;.)");
    module.def("unescape", &Unescaped<&VEKParser::HtmlEntities::Unescape>, py::arg("text"),
               "Resolves HTML entities and character references.");
    module.def("unescape_uri", &Unescaped<&VEKParser::HtmlEntities::UnescapeURI>, py::arg("text"),
               "Resolves the entities of a URI: in its query part (from the first '?') only those up to 255.");
    module.def("expand", &Expand, py::arg("data"), py::arg("charset"),
               R"(Converts bytes in a charset (a name such as "windows-1251" or a code page number) to str.

Character references stay as written. Raises LookupError for a charset the library cannot read.)");
}

} // namespace vekpy
