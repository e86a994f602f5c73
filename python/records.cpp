#include "python/records.h"

#include <charconv>
#include <pybind11/stl.h>
#include <cstring>
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
  py::dict spec;
  spec["names"] = names;
  spec["formats"] = formats;
  const py::dtype dt = py::dtype::from_args(spec);
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

void bind_records(py::module_& m) {
  record_error = PyErr_NewExceptionWithDoc("zirel.RecordError",
                                           "A record of a reflection file that cannot be read; attributes line "
                                           "(1-based) and path.",
                                           PyExc_ValueError, nullptr);
  if (!record_error)
    throw py::error_already_set();
  m.attr("RecordError") = py::reinterpret_borrow<py::object>(record_error);
  m.def("read_reflections", &read_reflections, py::arg("path"), R"doc(
Reads a reflection file as the programs read it: SHELX when the name contains ".hkl"
(any case), else Cellex (F and sigma(F) become I = F^2 and sigma(I) = 2 |F| sigma(F)).
The data end at a 0 0 0 record. A structured array with fields h, k, l, I, sigma; a
Cellex file adds pass_real and pass_integer; a SHELX file with columns after 28 adds
batch (columns 29-32) and extra (every column after 28, as bytes). A record that cannot
be read raises zirel.RecordError naming its line.

Example:
    >>> data = zirel.read_reflections("examples/monoclinic.hkl")
    >>> data[["h", "k", "l"]][0], float(data["I"][0])
)doc");
}

}  // namespace zirel::python
