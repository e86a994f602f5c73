// Long loops run without the GIL and look for Ctrl-C every so many items, taking the
// GIL back only for that look, so a long call can be interrupted.
#pragma once

#include <pybind11/pybind11.h>
#include <cstdint>

namespace zirel::python {

namespace py = pybind11;

inline constexpr std::uint64_t SIGNAL_CHECK_EVERY = 1u << 16;

// Call with the GIL released; throws error_already_set when a signal handler raised.
inline void check_signals() {
  py::gil_scoped_acquire gil;
  if (PyErr_CheckSignals() != 0)
    throw py::error_already_set();
}

}  // namespace zirel::python
