#pragma once

#include <pybind11/pybind11.h>

namespace vekpy {

namespace py = pybind11;

// Each part of the module adds its functions and classes.
void BindHtml(py::module_& module);
void BindAsn(py::module_& module);
void BindText(py::module_& module);
void BindRecords(py::module_& module);
void BindWarc(py::module_& module);

} // namespace vekpy
