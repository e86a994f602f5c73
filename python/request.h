// A run's parameters as Python gives them (a Cell, uvw= or hkl=, the wavelength and
// Psi max), prepared by the core's own prepare_run so that every value and every
// refusal is the programs'. A refusal raises zirel.Refused.
#pragma once

#include <pybind11/pybind11.h>
#include <optional>
#include "filtering/prepare_run.h"

namespace zirel::python {

namespace py = pybind11;

// A number as the command line would have read it: the shortest decimal text of the
// Python float, converted by the record I/O layer's rules, so 0.7093 here is the same
// single-precision value as "--wavelength 0.7093".
float to_single(double value);

RunSettings settings_of(const UnitCell& cell, const std::optional<py::object>& uvw,
                        const std::optional<py::object>& hkl, double wavelength, double psi_max);

// prepare_run, or zirel.Refused with the program's message and the parameter's name.
PreparedRun prepare(const RunSettings& settings, bool generate, const std::optional<py::object>& hkl);

// The Cell type and the Refused exception.
void bind_request(py::module_& m);

}  // namespace zirel::python
