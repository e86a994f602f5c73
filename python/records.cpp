#include "python/records.h"

#include <charconv>
#include <pybind11/stl.h>
#include <cstdio>
#include <cstring>
#include <optional>
#include <stdexcept>
#include "filtering/filter_run.h"
#include "python/interrupt.h"
#include "recio/unit.h"

namespace zirel::python {

namespace {

PyObject* record_error = nullptr;  // zirel.RecordError, the module's for the process's life

int32_t batch_of(const std::string& extra) {
  std::string_view field = std::string_view(extra).substr(0, 4);
  while (!field.empty() && field.front() == ' ')
    field.remove_prefix(1);
  while (!field.empty() && field.back() == ' ')
    field.remove_suffix(1);
  int32_t batch = 0;
  if (!field.empty()) {
    const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), batch);
    if (ec != std::errc() || end != field.data() + field.size())
      return 0;
  }
  return batch;
}

struct Reader {
  std::vector<Record> records;
  int32_t failed_line = 0;  // the record that could not be read, 1-based
  IoStatus status = IO_OK;
};

Reader read_all(UnitTable& table, InputKind kind) {
  Reader out;
  Reflection r;
  for (;;) {
    const IoStatus st = read_reflection(table, INPUT_UNIT, kind, r);
    if (st == IO_END)
      break;
    if (st != IO_OK) {
      out.failed_line = static_cast<int32_t>(out.records.size()) + 1;
      out.status = st;
      break;
    }
    if (r.h == 0 && r.k == 0 && r.l == 0)
      break;  // the terminator: the data end here, as in the programs
    out.records.push_back(Record{r.h, r.k, r.l, r.intensity, r.sigma_intensity, r.pass_real, r.pass_integer,
                                 std::string(r.extra_columns)});
    if (out.records.size() % SIGNAL_CHECK_EVERY == 0)
      check_signals();
  }
  return out;
}

py::array read_reflections(const std::string& path) {
  const InputKind kind = input_kind_for_name(path);
  UnitTable table;
  const IoStatus st = table.open(INPUT_UNIT, path, "OLD", "READ", {.err = true});
  if (st != IO_OK) {
    const std::string message = path + ": " + io_message(st, INPUT_UNIT, path);
    PyErr_SetString(st == io_status(IoError::file_not_found) ? PyExc_FileNotFoundError : PyExc_OSError,
                    message.c_str());
    throw py::error_already_set();
  }
  Reader read;
  {
    py::gil_scoped_release nogil;
    read = read_all(table, kind);
  }
  if (read.failed_line) {
    py::object error = py::reinterpret_borrow<py::object>(record_error)(
        path + ": line " + std::to_string(read.failed_line) + " cannot be read (" +
        io_message(read.status, INPUT_UNIT, path) + ")");
    error.attr("line") = read.failed_line;
    error.attr("path") = path;
    PyErr_SetObject(record_error, error.ptr());
    throw py::error_already_set();
  }
  return reflection_array(read.records, kind);
}

// A fatal condition of the record I/O layer (a write that fails: a full disk) raised
// here instead of ending the interpreter, as the layer allows its handler to do.
struct FatalIo : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// One field of a structured array, read in place: its bytes at `base` + row * stride.
struct Field {
  const char* base = nullptr;
  py::ssize_t stride = 0;
  template <class T>
  T at(py::ssize_t row) const {
    T v{};
    if (base)
      std::memcpy(&v, base + row * stride, sizeof v);
    return v;
  }
};

Field field_of(const py::array& a, const char* name, char kind, bool required, py::ssize_t* width = nullptr) {
  const py::dict fields = a.dtype().attr("fields");
  if (!fields.contains(name)) {
    if (required)
      throw py::type_error(std::string("the reflections have no field '") + name + "'");
    return {};
  }
  const py::tuple field = fields[name];
  const py::dtype dt = field[0];
  if (dt.kind() != kind || (kind != 'S' && dt.itemsize() != 4))
    throw py::type_error(std::string("the field '") + name + "' must be " +
                         (kind == 'i' ? "int32" : kind == 'f' ? "float32" : "bytes"));
  if (width)
    *width = dt.itemsize();
  return {static_cast<const char*>(a.data()) + field[1].cast<py::ssize_t>(), a.strides(0)};
}

OutputKind layout_of(const std::string& path, const std::optional<std::string>& layout) {
  if (!layout)
    return output_kind_for_name(path);
  if (*layout == "shelx")
    return OutputKind::Shelx;
  if (*layout == "cellex")
    return OutputKind::Cellex;
  throw py::value_error("layout must be 'shelx' or 'cellex', not '" + *layout + "'");
}

int write_reflections(const std::string& path, const py::object& data, std::optional<std::string> layout,
                      bool keep_columns) {
  const OutputKind kind = layout_of(path, layout);
  if (!py::isinstance<py::array>(data) || py::reinterpret_borrow<py::array>(data).dtype().attr("names").is_none() ||
      py::reinterpret_borrow<py::array>(data).ndim() != 1)
    throw py::type_error("the reflections must be a one-dimensional structured array with fields h, k, l, I, "
                         "sigma, as read_reflections and generate give");
  const py::array a = py::reinterpret_borrow<py::array>(data);
  const Field h = field_of(a, "h", 'i', true), k = field_of(a, "k", 'i', true), l = field_of(a, "l", 'i', true);
  const Field intensity = field_of(a, "I", 'f', true), sigma = field_of(a, "sigma", 'f', true);
  const Field pass_real = field_of(a, "pass_real", 'f', false), pass_integer = field_of(a, "pass_integer", 'i', false);
  py::ssize_t extra_width = 0;
  const Field extra = field_of(a, "extra", 'S', keep_columns, &extra_width);
  const py::ssize_t count = a.shape(0);

  // Written beside the file and renamed over it at the end, so that a failed write
  // never leaves a half-written file under the name asked for.
  const std::string temporary = path + ".zirel-new";
  int written = 0, too_large = 0;
  std::string failure;
  {
    py::gil_scoped_release nogil;
    UnitTable table;
    IoStatus st = table.open(OUTPUT_UNIT, temporary, "REPLACE", {}, {.err = true});
    if (st != IO_OK) {
      failure = path + ": " + io_message(st, OUTPUT_UNIT, temporary);
    } else {
      try {
        for (py::ssize_t i = 0; i < count; ++i) {
          Reflection r;
          r.h = h.at<int32_t>(i), r.k = k.at<int32_t>(i), r.l = l.at<int32_t>(i);
          r.intensity = intensity.at<float>(i), r.sigma_intensity = sigma.at<float>(i);
          r.pass_real = pass_real.at<float>(i), r.pass_integer = pass_integer.at<int32_t>(i);
          if (extra.base) {
            std::string_view text(extra.base + i * extra.stride, static_cast<size_t>(extra_width));
            r.extra_columns = text.substr(0, std::min(text.size(), text.find('\0')));
          }
          if (write_reflection(table, OUTPUT_UNIT, kind, r, keep_columns))
            ++written;
          else
            ++too_large;
          if ((i + 1) % SIGNAL_CHECK_EVERY == 0)
            check_signals();
        }
        st = table.flush(OUTPUT_UNIT, {.err = true});
        if (st != IO_OK)
          failure = path + ": " + io_message(st, OUTPUT_UNIT, temporary);
      } catch (const FatalIo& e) {
        failure = path + ": " + e.what();
      } catch (...) {
        table.close(OUTPUT_UNIT);
        std::remove(temporary.c_str());
        throw;
      }
      table.close(OUTPUT_UNIT);
      if (failure.empty() && std::rename(temporary.c_str(), path.c_str()) != 0)
        failure = path + ": cannot rename " + temporary + " into place";
      if (!failure.empty())
        std::remove(temporary.c_str());
    }
  }
  if (!failure.empty()) {
    PyErr_SetString(PyExc_OSError, failure.c_str());
    throw py::error_already_set();
  }
  if (too_large > 0) {
    const std::string warning = std::to_string(too_large) +
                                " reflections too large for the layout's fields were left out, as the programs "
                                "leave them out (TOO LARGE TO WRITE)";
    if (PyErr_WarnEx(PyExc_RuntimeWarning, warning.c_str(), 1) != 0)
      throw py::error_already_set();
  }
  return written;
}

}  // namespace

py::array reflection_array(const std::vector<Record>& records, InputKind kind) {
  size_t extra_width = 0;
  for (const Record& r : records)
    extra_width = std::max(extra_width, r.extra.size());
  py::list names, formats;
  auto add = [&](const char* name, std::string format) {
    names.append(name);
    formats.append(format);
  };
  add("h", "<i4");
  add("k", "<i4");
  add("l", "<i4");
  add("I", "<f4");
  add("sigma", "<f4");
  const bool cellex = kind == InputKind::Cellex;
  if (cellex) {
    add("pass_real", "<f4");
    add("pass_integer", "<i4");
  }
  const bool extra = !cellex && extra_width > 0;
  if (extra) {
    add("batch", "<i4");
    add("extra", "S" + std::to_string(extra_width));
  }
  py::dict fields;
  fields["names"] = names;
  fields["formats"] = formats;
  const py::dtype dt = py::dtype::from_args(fields);
  py::array out(dt, std::vector<py::ssize_t>{static_cast<py::ssize_t>(records.size())});
  char* row = static_cast<char*>(out.mutable_data());
  const py::ssize_t size = dt.itemsize();
  std::memset(row, 0, records.size() * size);
  // Packed, in the order above: 20 bytes, then the layout's own columns.
  for (const Record& r : records) {
    char* p = row;
    auto put = [&p](const auto& v) {
      std::memcpy(p, &v, sizeof v);
      p += sizeof v;
    };
    put(r.h), put(r.k), put(r.l), put(r.intensity), put(r.sigma);
    if (cellex)
      put(r.pass_real), put(r.pass_integer);
    if (extra) {
      put(batch_of(r.extra));
      std::memcpy(p, r.extra.data(), r.extra.size());
    }
    row += size;
  }
  return out;
}

py::array generated_array(const std::vector<Miller>& reflections) {
  const py::array out = reflection_array({}, InputKind::Shelx);
  py::array sized(out.dtype(), std::vector<py::ssize_t>{static_cast<py::ssize_t>(reflections.size())});
  char* row = static_cast<char*>(sized.mutable_data());
  const py::ssize_t size = sized.dtype().itemsize();  // h, k, l, I, sigma packed: 20 bytes
  std::memset(row, 0, reflections.size() * size);
  for (const Miller& m : reflections) {
    const int32_t hkl[3] = {m.h, m.k, m.l};
    std::memcpy(row, hkl, sizeof hkl);
    row += size;
  }
  return sized;
}

void bind_records(py::module_& m) {
  record_error = PyErr_NewExceptionWithDoc("zirel.RecordError",
                                           "A record of a reflection file that cannot be read; attributes line "
                                           "(1-based) and path.",
                                           PyExc_ValueError, nullptr);
  if (!record_error)
    throw py::error_already_set();
  m.attr("RecordError") = py::reinterpret_borrow<py::object>(record_error);
  // Nothing in this process may end it over a failed write: the handler throws instead.
  set_fatal_handler([](const FatalReport& report) { throw FatalIo(report.message); });
  m.def("write_reflections", &write_reflections, py::arg("path"), py::arg("data"), py::arg("layout") = py::none(),
        py::arg("keep_columns") = false, R"doc(
Writes reflections as zirel-batch writes them: layout "shelx" or "cellex", or, when
not given, SHELX for a name containing ".hkl" and Cellex otherwise. `data` is a
structured array as read_reflections or generate gives it. keep_columns=True (SHELX)
copies each record's columns after 28 from the field extra, as --keep-columns does.
The file is written beside its name and renamed into place; reflections too wide for
the layout's fields are left out with a RuntimeWarning. Returns how many were written.

Example:
    >>> data = zirel.read_reflections("examples/monoclinic.hkl")
    >>> zirel.write_reflections("monoclinic.abs", data)
    48
)doc");
  m.def("read_reflections", &read_reflections, py::arg("path"), R"doc(
Reads a reflection file as the programs read it: SHELX when the name contains ".hkl"
(any case), else Cellex (F and sigma(F) become I = F^2 and sigma(I) = 2 |F| sigma(F)).
The data end at a 0 0 0 record. A structured array with fields h, k, l, I, sigma; a
Cellex file adds pass_real and pass_integer; a SHELX file with columns after 28 adds
batch (columns 29-32) and extra (every column after 28, as bytes). A record that cannot
be read raises zirel.RecordError naming its line.

Example:
    >>> data = zirel.read_reflections("examples/monoclinic.hkl")
    >>> len(data), data.dtype.names
    (48, ('h', 'k', 'l', 'I', 'sigma'))
)doc");
}

}  // namespace zirel::python
