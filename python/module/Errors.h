#pragma once

#include <pybind11/pybind11.h>

namespace vekpy {

// Adds ASNError (a ValueError) with PrematureEOFError and EOCError beneath it, and
// EncodingError, and turns every exception of the library into one of them (or into
// RuntimeError), so none crosses into Python unconverted.
void BindErrors(pybind11::module_& module);

} // namespace vekpy
