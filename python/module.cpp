// The module zirel._zirel: each part of the core binds itself in a file of its own.
#include <pybind11/pybind11.h>
#include "python/request.h"
#include "python/records.h"
#include "filtering/version.h"

namespace zirel::python {
void bind_filtering(py::module_& m);
void bind_planning(py::module_& m);
}

PYBIND11_MODULE(_zirel, m) {
  m.doc() = "Zirel's core on numpy arrays: which reflections a diamond-anvil cell lets through.";
  m.attr("__version__") = ZIREL_VERSION;
  zirel::python::bind_request(m);
  zirel::python::bind_filtering(m);
  zirel::python::bind_records(m);
  zirel::python::bind_planning(m);
}
