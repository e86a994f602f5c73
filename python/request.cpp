#include "python/request.h"

#include <charconv>
#include <pybind11/stl.h>
#include <string>
#include "recio/edit.h"

namespace zirel::python {

namespace {

PyObject* refused_type = nullptr;  // the module's for the process's life

const char* parameter_name(const RunRefusal& r, bool axis_is_hkl) {
  switch (r.parameter) {
    case RunParameter::cell: return "cell";
    case RunParameter::axis: return axis_is_hkl ? "hkl" : "uvw";
    case RunParameter::wavelength: return "wavelength";
    case RunParameter::psi_max: return "psi_max";
    case RunParameter::generation: return "generate";
  }
  return "cell";
}

const char* kind_name(RefusalKind kind) {
  switch (kind) {
    case RefusalKind::invalid_parameter: return "invalid_parameter";
    case RefusalKind::singular_cell: return "singular_cell";
    case RefusalKind::invalid_cell: return "invalid_cell";
    case RefusalKind::zero_axis: return "zero_axis";
  }
  return "invalid_parameter";
}

Vec3 axis_of(const py::object& value, const char* name) {
  const auto numbers = value.cast<std::vector<double>>();
  if (numbers.size() != 3)
    throw py::type_error(std::string(name) + "= takes three numbers, e.g. " + name + "=(0, 0, 1)");
  return {to_single(numbers[0]), to_single(numbers[1]), to_single(numbers[2])};
}

}  // namespace

float to_single(double value) {
  char text[64];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
  float single = 0.0f;
  if (ec == std::errc() && parse_list_real(std::string_view(text, end - text), single))
    return single;
  return static_cast<float>(value);  // nan, inf: no decimal text the programs read
}

RunSettings settings_of(const UnitCell& cell, const std::optional<py::object>& uvw,
                        const std::optional<py::object>& hkl, double wavelength, double psi_max) {
  if (uvw.has_value() == hkl.has_value())
    throw py::type_error("give the axis as uvw=(u, v, w) or as hkl=(h, k, l), one of the two");
  RunSettings s;
  s.cell = cell;
  s.axis_kind = hkl ? AxisKind::HKL : AxisKind::UVW;
  s.axis = hkl ? axis_of(*hkl, "hkl") : axis_of(*uvw, "uvw");
  s.wavelength = to_single(wavelength);
  s.psi_max = to_single(psi_max);
  return s;
}

PreparedRun prepare(const RunSettings& settings, bool generate, const std::optional<py::object>& hkl) {
  RunPreparation p = prepare_run(settings, generate);
  if (p.run)
    return std::move(*p.run);
  const RunRefusal& r = *p.refusal;
  std::string message = r.message;
  if (r.kind == RefusalKind::singular_cell) {
    const auto line = determinant_line(r.determinant);
    message += '\n' + std::string(line.data(), line.size());
  }
  py::object error = py::reinterpret_borrow<py::object>(refused_type)(message);
  error.attr("parameter") = parameter_name(r, hkl.has_value());
  error.attr("kind") = kind_name(r.kind);
  error.attr("determinant") = r.kind == RefusalKind::singular_cell ? py::cast(r.determinant) : py::none();
  PyErr_SetObject(refused_type, error.ptr());
  throw py::error_already_set();
}

void bind_request(py::module_& m) {
  py::class_<UnitCell>(m, "Cell", R"doc(
A unit cell: edges a, b, c in angstroms, angles alpha, beta, gamma in degrees, kept in
single precision as the programs keep them. A cell that is no cell is refused where it
is used, as the programs refuse it.

Example:
    >>> cell = zirel.Cell(7.512, 9.874, 11.236, 90, 103.47, 90)
    >>> cell.beta
    103.47000122070312
)doc")
      .def(py::init([](double a, double b, double c, double alpha, double beta, double gamma) {
             return UnitCell{to_single(a), to_single(b), to_single(c), to_single(alpha), to_single(beta),
                             to_single(gamma)};
           }),
           py::arg("a"), py::arg("b"), py::arg("c"), py::arg("alpha"), py::arg("beta"), py::arg("gamma"))
      .def_readonly("a", &UnitCell::a)
      .def_readonly("b", &UnitCell::b)
      .def_readonly("c", &UnitCell::c)
      .def_readonly("alpha", &UnitCell::alpha)
      .def_readonly("beta", &UnitCell::beta)
      .def_readonly("gamma", &UnitCell::gamma)
      .def("__repr__", [](const UnitCell& c) {
        return "zirel.Cell(" + py::repr(py::float_(c.a)).cast<std::string>() + ", " +
               py::repr(py::float_(c.b)).cast<std::string>() + ", " + py::repr(py::float_(c.c)).cast<std::string>() +
               ", " + py::repr(py::float_(c.alpha)).cast<std::string>() + ", " +
               py::repr(py::float_(c.beta)).cast<std::string>() + ", " +
               py::repr(py::float_(c.gamma)).cast<std::string>() + ")";
      });

  // A ValueError, so that code catching bad values catches it; its text is the program's.
  refused_type = PyErr_NewExceptionWithDoc("zirel.Refused",
                                "A request no run can use, refused with the programs' message.\n"
                                "Attributes: parameter ('cell', 'uvw', 'hkl', 'wavelength', 'psi_max' or\n"
                                "'generate'), kind, and determinant for a singular cell.",
                                PyExc_ValueError, nullptr);
  if (!refused_type)
    throw py::error_already_set();
  m.attr("Refused") = py::reinterpret_borrow<py::object>(refused_type);
}

}  // namespace zirel::python
