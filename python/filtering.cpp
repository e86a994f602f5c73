// accessible() and generate(): the accessibility test and the generation of zirel-batch
// on numpy arrays, the loops in C++ without the GIL.
#include <pybind11/numpy.h>
#include <pybind11/stl.h>
#include <cstring>
#include <limits>
#include <vector>
#include "python/interrupt.h"
#include "python/records.h"
#include "python/request.h"

namespace zirel::python {

namespace {

// Three columns of int32 indices anywhere in memory: an (N, 3) array or the h, k, l
// fields of a structured array, read in place.
struct IndexColumns {
  const char* base[3] = {};
  py::ssize_t row_stride = 0;
  py::ssize_t count = 0;
  std::vector<int32_t> converted;  // the one conversion, when the input is not int32
  py::object keep;                 // the array read in place
};

bool is_integer(const py::dtype& dt) { return dt.kind() == 'i' || dt.kind() == 'u'; }

IndexColumns index_columns(const py::object& input) {
  IndexColumns cols;
  if (!py::isinstance<py::array>(input))
    throw py::type_error("the indices must be a numpy array of shape (N, 3) with an integer dtype, "
                         "or a structured array with fields h, k, l");
  py::array a = py::reinterpret_borrow<py::array>(input);
  cols.keep = a;
  const py::dtype dt = a.dtype();
  if (dt.attr("names").is_none()) {
    if (a.ndim() != 2 || a.shape(1) != 3)
      throw py::type_error("the indices must have shape (N, 3), not " +
                           py::str(a.attr("shape")).cast<std::string>());
    if (!is_integer(dt))
      throw py::type_error("the indices must be integers, not " + py::str(py::object(dt)).cast<std::string>());
    cols.count = a.shape(0);
    if (dt.is(py::dtype::of<int32_t>()) || (dt.kind() == 'i' && dt.itemsize() == 4)) {
      const char* p = static_cast<const char*>(a.data());
      for (int i = 0; i < 3; ++i)
        cols.base[i] = p + i * a.strides(1);
      cols.row_stride = a.strides(0);
      return cols;
    }
    // Another integer type: converted once, refusing what no int32 holds.
    py::array_t<int64_t, py::array::c_style | py::array::forcecast> wide(a);
    const int64_t* v = wide.data();
    if (dt.kind() == 'u' && dt.itemsize() == 8) {
      py::array_t<uint64_t, py::array::c_style | py::array::forcecast> u(a);
      for (py::ssize_t i = 0; i < 3 * cols.count; ++i)
        if (u.data()[i] > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()))
          throw py::value_error("an index does not fit a 32-bit integer");
    }
    cols.converted.resize(static_cast<size_t>(3 * cols.count));
    for (py::ssize_t i = 0; i < 3 * cols.count; ++i) {
      if (v[i] < std::numeric_limits<int32_t>::min() || v[i] > std::numeric_limits<int32_t>::max())
        throw py::value_error("an index does not fit a 32-bit integer: " + std::to_string(v[i]));
      cols.converted[static_cast<size_t>(i)] = static_cast<int32_t>(v[i]);
    }
    const char* p = reinterpret_cast<const char*>(cols.converted.data());
    for (int i = 0; i < 3; ++i)
      cols.base[i] = p + i * sizeof(int32_t);
    cols.row_stride = 3 * sizeof(int32_t);
    return cols;
  }
  // A structured array, as read_reflections gives it.
  if (a.ndim() != 1)
    throw py::type_error("a structured array of reflections must be one-dimensional");
  const py::dict fields = dt.attr("fields");
  const char* names[3] = {"h", "k", "l"};
  cols.count = a.shape(0);
  cols.row_stride = a.strides(0);
  for (int i = 0; i < 3; ++i) {
    if (!fields.contains(names[i]))
      throw py::type_error(std::string("the structured array has no field '") + names[i] + "'");
    const py::tuple field = fields[names[i]];
    const py::dtype fdt = field[0];
    if (!(fdt.kind() == 'i' && fdt.itemsize() == 4))
      throw py::type_error(std::string("the field '") + names[i] + "' must be int32");
    cols.base[i] = static_cast<const char*>(a.data()) + field[1].cast<py::ssize_t>();
  }
  return cols;
}

int32_t at(const char* base, py::ssize_t stride, py::ssize_t row) {
  int32_t v;
  std::memcpy(&v, base + row * stride, sizeof v);
  return v;
}

py::array_t<bool> accessible(const py::object& indices, const UnitCell& cell, std::optional<py::object> uvw,
                             std::optional<py::object> hkl, double wavelength, double psi_max) {
  const RunSettings settings = settings_of(cell, uvw, hkl, wavelength, psi_max);
  const PreparedRun run = prepare(settings, false, hkl);
  const IndexColumns cols = index_columns(indices);
  py::array_t<bool> out(cols.count);
  bool* result = out.mutable_data();
  {
    py::gil_scoped_release nogil;
    for (py::ssize_t start = 0; start < cols.count; start += SIGNAL_CHECK_EVERY) {
      const py::ssize_t end = std::min<py::ssize_t>(cols.count, start + SIGNAL_CHECK_EVERY);
      for (py::ssize_t i = start; i < end; ++i)
        result[i] = is_accessible(run.access, at(cols.base[0], cols.row_stride, i),
                                  at(cols.base[1], cols.row_stride, i),
                                  at(cols.base[2], cols.row_stride, i)) == Accessibility::Accessible;
      if (end < cols.count)
        check_signals();
    }
  }
  return out;
}

py::array generate(const UnitCell& cell, std::optional<py::object> uvw, std::optional<py::object> hkl,
                   double wavelength, double psi_max) {
  const RunSettings settings = settings_of(cell, uvw, hkl, wavelength, psi_max);
  PreparedRun run = prepare(settings, true, hkl);
  std::vector<Miller> records;  // 12 bytes each: a sphere may hold 100,000,000
  {
    py::gil_scoped_release nogil;
    GenerationState& state = *run.generator;
    std::uint64_t next_check = SIGNAL_CHECK_EVERY;
    while (auto m = next_generated_reflection(state)) {
      if (is_accessible(run.access, m->h, m->k, m->l) == Accessibility::Accessible)
        records.push_back(*m);
      if (state.visited >= next_check) {
        check_signals();
        next_check = state.visited + SIGNAL_CHECK_EVERY;
      }
    }
  }
  return generated_array(records);
}

}  // namespace

void bind_filtering(py::module_& m) {
  m.def("accessible", &accessible, py::arg("indices"), py::pos_only(), py::kw_only(), py::arg("cell"),
        py::arg("uvw") = py::none(), py::arg("hkl") = py::none(), py::arg("wavelength"), py::arg("psi_max"),
        R"doc(
Which reflections pass the cell's opening, decided by exactly the single-precision rule
of zirel-batch: an (N, 3) integer array of h k l (or a structured array with fields h, k,
l, as read_reflections gives) in, a boolean array of N out. The axis is a direction
uvw=(u, v, w) or the normal of a plane hkl=(h, k, l). 0 0 0 is not accessible.

Example:
    >>> cell = zirel.Cell(7.512, 9.874, 11.236, 90, 103.47, 90)
    >>> zirel.accessible(np.array([[1, 0, 0], [0, 9, 0]]), cell=cell, uvw=(0, 1, 0),
    ...                  wavelength=0.7093, psi_max=35)
    array([ True, False])
)doc");
  m.def("generate", &generate, py::kw_only(), py::arg("cell"), py::arg("uvw") = py::none(),
        py::arg("hkl") = py::none(), py::arg("wavelength"), py::arg("psi_max"),
        R"doc(
Every accessible reflection, in the order and with the values zirel-batch --generate
writes them (I = sigma = 0): a structured array with fields h, k, l, I, sigma.

Example:
    >>> cell = zirel.Cell(7.512, 9.874, 11.236, 90, 103.47, 90)
    >>> data = zirel.generate(cell=cell, uvw=(0, 1, 0), wavelength=1.5418, psi_max=35)
    >>> len(data)
    250
)doc");
}

}  // namespace zirel::python
