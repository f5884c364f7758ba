// read_warc: the records of a web archive, read by vekparse's own WARC reader.
#include <cerrno>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include <pybind11/stl.h>

#include "Bindings.h"
#include "Conversions.h"
#include "WarcReader.h"

namespace vekpy {

namespace {

py::list Headers(const vekparse::HeaderList& headers)
{
    py::list list;
    for (const auto& [name, value] : headers) list.append(py::make_tuple(Str(name), Str(value)));
    return list;
}

struct WarcRecord {
    std::uint64_t offset;
    py::str error, type, url, recordId, date;
    py::list headers, httpHeaders;
    int status;
    py::object body;
};

class WarcRecords {
public:
    WarcRecords(const std::string& path, std::uint64_t start, std::optional<std::uint64_t> stop)
    {
        try {
            m_pReader = std::make_unique<vekparse::WarcReader>(path);
            py::gil_scoped_release unlocked;  // finding the range's first record reads the file
            m_pReader->SetRange(start, stop.value_or(UINT64_MAX));
        } catch (const std::system_error& e) {
            errno = e.code().value();
            PyErr_SetFromErrnoWithFilename(PyExc_OSError, path.c_str());
            throw py::error_already_set();
        }
    }

    WarcRecord Next()
    {
        vekparse::WarcRecord record;
        bool found = false;
        {
            py::gil_scoped_release unlocked;
            found = m_pReader->Next(record);
        }
        if (!found) throw py::stop_iteration();
        return {record.offset,
                Str(record.error),
                Str(record.type),
                Str(record.targetUri),
                Str(record.recordId),
                Str(record.date),
                Headers(record.headers),
                Headers(record.http.headers),
                record.http.status,
                record.hasBody ? py::object(py::bytes(record.body)) : py::object(py::none())};
    }

private:
    std::unique_ptr<vekparse::WarcReader> m_pReader;
};

} // namespace

void BindWarc(py::module_& module)
{
    py::class_<WarcRecord>(module, "WarcRecord", "One record of a WARC file, or the place where one could not be read.")
        .def_readonly("offset", &WarcRecord::offset,
                      "Offset of the record in the file (of its gzip member in a compressed file).")
        .def_readonly("error", &WarcRecord::error, "Why the record could not be read; '' when it was.")
        .def_readonly("type", &WarcRecord::type, "WARC-Type: 'response', 'request', 'warcinfo', ...")
        .def_readonly("url", &WarcRecord::url, "WARC-Target-URI.")
        .def_readonly("record_id", &WarcRecord::recordId, "WARC-Record-ID.")
        .def_readonly("date", &WarcRecord::date, "WARC-Date as written.")
        .def_readonly("headers", &WarcRecord::headers, "The WARC headers, a list of (name, value).")
        .def_readonly("http_headers", &WarcRecord::httpHeaders, "The HTTP response headers of a response record.")
        .def_readonly("status", &WarcRecord::status, "The HTTP status of a response record, else 0.")
        .def_readonly("body", &WarcRecord::body,
                      "The HTTP payload with transfer and content codings undone (the block when the record holds\n"
                      "no HTTP response), as bytes; None for a broken record.")
        .def("__repr__", [](const WarcRecord& r) {
            return py::str("<vekparser.WarcRecord offset={} type={!r} url={!r}>").format(r.offset, r.type, r.url);
        });
    py::class_<WarcRecords>(module, "WarcRecords", "An iterator over the records of a WARC file.")
        .def("__iter__", [](py::object self) { return self; })
        .def("__next__", &WarcRecords::Next);
    module.def(
        "read_warc",
        [](const std::string& path, std::uint64_t start, std::optional<std::uint64_t> stop) {
            return std::make_unique<WarcRecords>(path, start, stop);
        },
        py::arg("path"), py::kw_only(), py::arg("start") = 0, py::arg("stop") = py::none(),
        R"(The records of a WARC file, plain or gzip'd, read as vekparse reads them: an iterator of WarcRecord.

A broken record comes with its offset and error, and reading goes on at the next record.
start, stop: only the records whose offset lies in [start, stop) (stop None: to the end), so that
a big archive can be read in parts; however the file is cut, each record comes from exactly one
part (unless a record's block holds WARC records itself).
Raises OSError when the file cannot be opened. Releases the GIL while reading.)");
}

} // namespace vekpy
