// Planning from Python: the report of zirel-plan (completeness by shell, with measured
// indices when given) and the orientation map with its picture, prepared by the core's
// own prepare_plan so that every number and every refusal is the program's.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <chrono>
#include <future>
#include <limits>
#include <memory>
#include <thread>
#include "plan/map_report.h"
#include "planning/completeness.h"
#include "planning/pictures/svg_writer.h"
#include "planning/plan_map.h"
#include "planning/prepare_plan.h"
#include "python/interrupt.h"
#include "python/request.h"

namespace zirel::python {

using namespace zirel::planning;

namespace {

struct Symmetry_ {
  std::optional<std::string> space_group, laue;
};

const char* parameter_name(const PlanRefusal& r, const Symmetry_& s, bool axis_is_hkl, bool mount_is_hkl) {
  switch (r.parameter) {
    case PlanParameter::symmetry: return s.laue ? "laue" : "space_group";
    case PlanParameter::cell: return "cell";
    case PlanParameter::axis: return axis_is_hkl ? "hkl" : "uvw";
    case PlanParameter::wavelength: return "wavelength";
    case PlanParameter::psi_max: return "psi_max";
    case PlanParameter::d_min: return "d_min";
    case PlanParameter::step: return "step";
    case PlanParameter::top: return "top";
    case PlanParameter::mounts: return mount_is_hkl ? "with_hkl" : "with_";
    case PlanParameter::plane: return "plane";
  }
  return "cell";
}

const char* kind_name(PlanRefusalKind kind) {
  switch (kind) {
    case PlanRefusalKind::invalid_parameter: return "invalid_parameter";
    case PlanRefusalKind::singular_cell: return "singular_cell";
    case PlanRefusalKind::invalid_cell: return "invalid_cell";
    case PlanRefusalKind::zero_axis: return "zero_axis";
    case PlanRefusalKind::too_large: return "too_large";
    case PlanRefusalKind::nothing_to_plan: return "nothing_to_plan";
  }
  return "invalid_parameter";
}

std::vector<MountAxis> mounts_of(const std::optional<py::object>& list, AxisKind kind) {
  std::vector<MountAxis> mounts;
  if (!list)
    return mounts;
  for (const auto& item : list->cast<std::vector<std::vector<double>>>()) {
    if (item.size() != 3)
      throw py::type_error("each mount takes three numbers, e.g. with_=[(0, 1, 0)]");
    mounts.push_back({kind, {to_single(item[0]), to_single(item[1]), to_single(item[2])}});
  }
  return mounts;
}

// prepare_plan, or zirel.Refused naming the keyword the refusal is about.
PreparedPlan prepared(const PlanRequest& q, const Symmetry_& s, bool axis_is_hkl) {
  PlanPreparation p = prepare_plan(q);
  if (p.plan)
    return std::move(*p.plan);
  const PlanRefusal& r = *p.refusal;
  std::string message = r.message;
  if (r.parameter == PlanParameter::symmetry && !s.space_group && !s.laue)
    message = "give space_group=NAME or laue=SYMBOL";
  if (r.kind == PlanRefusalKind::singular_cell) {
    const auto line = determinant_line(r.determinant);
    message += '\n' + std::string(line.data(), line.size());
  }
  const bool mount_is_hkl = r.mount >= 0 && static_cast<size_t>(r.mount) < q.mounts.size() &&
                            q.mounts[static_cast<size_t>(r.mount)].kind == AxisKind::HKL;
  py::object refused = py::module_::import("zirel._zirel").attr("Refused");
  py::object error = refused(message);
  error.attr("parameter") = parameter_name(r, s, axis_is_hkl, mount_is_hkl);
  error.attr("kind") = kind_name(r.kind);
  error.attr("determinant") = r.kind == PlanRefusalKind::singular_cell ? py::cast(r.determinant) : py::none();
  PyErr_SetObject(refused.ptr(), error.ptr());
  throw py::error_already_set();
}

PlanRequest request_of(PlanCommand command, const UnitCell& cell, double wavelength, double psi_max,
                       const Symmetry_& s, std::optional<double> d_min, bool anomalous) {
  PlanRequest q;
  q.command = command;
  q.cell = cell;
  q.wavelength = to_single(wavelength);
  q.psi_max = to_single(psi_max);
  q.space_group = s.space_group.value_or("");
  q.laue = s.laue.value_or("");
  if (d_min)
    q.d_min = to_single(*d_min);
  q.anomalous = anomalous;
  return q;
}

template <class T>
py::array_t<T> array_of(const std::vector<T>& values) {
  py::array_t<T> a(static_cast<py::ssize_t>(values.size()));
  std::copy(values.begin(), values.end(), a.mutable_data());
  return a;
}

// The columns of a table of shells, as pandas.DataFrame takes them.
py::dict shell_columns(const std::vector<ShellCounts>& shells, bool measured) {
  std::vector<double> d_max, d_min, completeness, measured_completeness, accessible_measured_completeness, redundancy;
  std::vector<std::int64_t> theory, accessible, measured_count, measured_accessible, observations;
  for (const ShellCounts& s : shells) {
    d_max.push_back(s.d_max);
    d_min.push_back(s.d_min);
    theory.push_back(s.theory);
    accessible.push_back(s.accessible);
    completeness.push_back(s.theory > 0 ? 100.0 * s.accessible / s.theory : 0.0);
    measured_count.push_back(s.measured);
    measured_accessible.push_back(s.measured_accessible);
    observations.push_back(s.observations);
    measured_completeness.push_back(s.theory > 0 ? 100.0 * s.measured / s.theory : 0.0);
    accessible_measured_completeness.push_back(s.accessible > 0 ? 100.0 * s.measured_accessible / s.accessible : 0.0);
    // No measured reflection has no redundancy (the report's JSON gives null).
    redundancy.push_back(s.measured > 0 ? static_cast<double>(s.observations) / s.measured
                                        : std::numeric_limits<double>::quiet_NaN());
  }
  py::dict d;
  d["d_max"] = array_of(d_max);
  d["d_min"] = array_of(d_min);
  d["theory"] = array_of(theory);
  d["accessible"] = array_of(accessible);
  d["completeness"] = array_of(completeness);
  if (measured) {
    d["measured"] = array_of(measured_count);
    d["measured_accessible"] = array_of(measured_accessible);
    d["observations"] = array_of(observations);
    d["measured_completeness"] = array_of(measured_completeness);
    d["accessible_measured_completeness"] = array_of(accessible_measured_completeness);
    d["redundancy"] = array_of(redundancy);
  }
  return d;
}

py::object completeness(const UnitCell& cell, std::optional<py::object> uvw, std::optional<py::object> hkl,
                        double wavelength, double psi_max, std::optional<std::string> space_group,
                        std::optional<std::string> laue, std::optional<double> d_min, bool anomalous, int shells,
                        std::optional<py::object> measured) {
  if (shells < 1 || shells > 100)
    throw py::value_error("shells= takes a number from 1 to 100");
  const Symmetry_ s{space_group, laue};
  const RunSettings run = settings_of(cell, uvw, hkl, wavelength, psi_max);
  PlanRequest q = request_of(PlanCommand::report, cell, wavelength, psi_max, s, d_min, anomalous);
  q.axis = {run.axis_kind, run.axis};
  const PreparedPlan p = prepared(q, s, hkl.has_value());
  std::optional<Measurement> m;
  std::optional<py::array_t<std::int32_t, py::array::c_style | py::array::forcecast>> indices;
  if (measured) {
    // A structured array of records, or (N, 3) indices.
    py::object source = *measured;
    if (py::isinstance<py::array>(source) && !py::array(source).dtype().attr("names").is_none())
      source = py::module_::import("numpy").attr("stack")(
          py::make_tuple(source["h"], source["k"], source["l"]), py::arg("axis") = 1);
    py::array a = py::array::ensure(source);
    if (!a || a.ndim() != 2 || a.shape(1) != 3 || (a.dtype().kind() != 'i' && a.dtype().kind() != 'u'))
      throw py::type_error("measured= takes an (N, 3) integer array of h k l, or the array read_reflections gives");
    indices = a.cast<py::array_t<std::int32_t, py::array::c_style | py::array::forcecast>>();
  }
  CompletenessTable table;
  {
    py::gil_scoped_release release;
    const std::vector<std::uint8_t> accessible = accessible_reflections(p.set, p.access);
    if (indices) {
      m = empty_measurement(p.set);
      const ReflectionLookup lookup(p.set);
      const std::int32_t* h = indices->data();
      const py::ssize_t n = indices->shape(0);
      for (py::ssize_t i = 0; i < n; ++i) {
        if ((i + 1) % SIGNAL_CHECK_EVERY == 0)
          check_signals();
        add_observation(*m, lookup, p.symmetry, Miller{h[3 * i], h[3 * i + 1], h[3 * i + 2]});
      }
    }
    table = completeness_table(p.set, accessible, m ? &*m : nullptr, shells);
  }
  py::object report = py::module_::import("types").attr("SimpleNamespace")();
  report.attr("symmetry") = p.symmetry.name;
  report.attr("d_min") = p.d_min;
  report.attr("shells") = shell_columns(table.shells, m.has_value());
  py::dict overall;
  for (auto [key, column] : shell_columns({table.overall}, m.has_value()))
    overall[key] = column.cast<py::array>().attr("item")(0);
  report.attr("overall") = overall;
  if (m) {
    report.attr("records") = m->records;
    report.attr("absent") = m->absent;
    report.attr("beyond") = m->beyond;
  }
  return report;
}

// The map of a prepared plan, computed by the core's threads while Python waits
// without the GIL and looks for Ctrl-C. An interrupted map is left to finish on its own
// thread, which owns what it reads, and its result is dropped.
MapResult computed_map(std::shared_ptr<const PreparedPlan> plan, int threads) {
  auto task = std::make_shared<std::packaged_task<MapResult()>>(
      [plan, threads] { return plan_map(*plan, threads); });
  std::future<MapResult> result = task->get_future();
  std::thread([task] { (*task)(); }).detach();
  py::gil_scoped_release release;
  while (result.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
    check_signals();
  return result.get();
}

class OrientationMap {
public:
  OrientationMap(std::shared_ptr<const PreparedPlan> plan, MapResult result)
      : plan_(std::move(plan)), r_(std::move(result)) {}

  py::array_t<double> directions() const {
    const int n = r_.grid.cell_count();
    py::array_t<double> a({n, 3});
    auto v = a.mutable_unchecked<2>();
    for (int i = 0; i < n; ++i) {
      const Vec3d d = cell_direction(r_.grid, i);
      for (int j = 0; j < 3; ++j)
        v(i, j) = d[j];
    }
    return a;
  }
  py::array_t<std::int32_t> counts() const {
    return array_of(std::vector<std::int32_t>(r_.counts.begin(), r_.counts.end()));
  }
  py::array_t<double> completeness() const {
    std::vector<double> c;
    for (int n : r_.counts)
      c.push_back(100.0 * n / std::max(1, r_.theory));
    return array_of(c);
  }
  py::dict advice(const MountAdvice& a) const {
    py::dict d;
    d["direction"] = py::make_tuple(a.direction[0], a.direction[1], a.direction[2]);
    d["accessible"] = a.accessible;
    d["completeness"] = 100.0 * a.accessible / std::max(1, r_.theory);
    d["uvw"] = py::make_tuple(a.uvw.indices[0], a.uvw.indices[1], a.uvw.indices[2]);
    d["uvw_angle"] = a.uvw.angle_deg;
    d["uvw_completeness"] = 100.0 * a.uvw_accessible / std::max(1, r_.theory);
    d["hkl"] = py::make_tuple(a.hkl.indices[0], a.hkl.indices[1], a.hkl.indices[2]);
    d["hkl_angle"] = a.hkl.angle_deg;
    d["hkl_completeness"] = 100.0 * a.hkl_accessible / std::max(1, r_.theory);
    return d;
  }
  py::list best() const {
    py::list l;
    for (const MountAdvice& a : r_.best)
      l.append(advice(a));
    return l;
  }
  py::list mounts() const {
    py::list l;
    for (const Mount& m : r_.mounts) {
      py::dict d;
      d["kind"] = m.kind == AxisKind::UVW ? "uvw" : "hkl";
      d["axis"] = py::make_tuple(m.axis[0], m.axis[1], m.axis[2]);
      d["accessible"] = m.accessible;
      d["completeness"] = 100.0 * m.accessible / std::max(1, r_.theory);
      l.append(d);
    }
    return l;
  }
  std::string svg() const {
    return svg_finish(draw_map(plan::picture_of(*plan_, r_, make_frame(plan_->settings.cell))));
  }

  std::shared_ptr<const PreparedPlan> plan_;
  MapResult r_;
};

OrientationMap orientation_map(const UnitCell& cell, double wavelength, double psi_max,
                               std::optional<std::string> space_group, std::optional<std::string> laue,
                               std::optional<double> d_min, bool anomalous, double step, int top,
                               std::optional<py::object> with_uvw, std::optional<py::object> with_hkl, int threads) {
  const Symmetry_ s{space_group, laue};
  PlanRequest q = request_of(PlanCommand::map, cell, wavelength, psi_max, s, d_min, anomalous);
  q.step_deg = to_single(step);
  q.top = top;
  q.mounts = mounts_of(with_uvw, AxisKind::UVW);
  for (const MountAxis& m : mounts_of(with_hkl, AxisKind::HKL))
    q.mounts.push_back(m);
  auto plan = std::make_shared<const PreparedPlan>(prepared(q, s, false));
  MapResult r = computed_map(plan, threads);
  return OrientationMap(std::move(plan), std::move(r));
}

}  // namespace

void bind_planning(py::module_& m) {
  m.def("completeness", &completeness, py::kw_only(), py::arg("cell"), py::arg("uvw") = py::none(),
        py::arg("hkl") = py::none(), py::arg("wavelength"), py::arg("psi_max"), py::arg("space_group") = py::none(),
        py::arg("laue") = py::none(), py::arg("d_min") = py::none(), py::arg("anomalous") = false,
        py::arg("shells") = 10, py::arg("measured") = py::none(), R"doc(
How complete data of one mount can be, by shells of equal volume in reciprocal space,
as `zirel-plan` reports it. With measured= (an (N, 3) integer array of h k l, or the
array read_reflections gives) also what a data set measured, as `zirel-plan --input`.

Returns an object with symmetry, d_min, shells (a dict of arrays: d_max, d_min,
theory, accessible, completeness in percent; with measured= also measured,
measured_accessible, observations, measured_completeness,
accessible_measured_completeness, redundancy) and overall
(the same as numbers). A refusal of the plan raises zirel.Refused naming the keyword.

Example:
    >>> cell = zirel.Cell(7.512, 9.874, 11.236, 90, 103.47, 90)
    >>> report = zirel.completeness(cell=cell, uvw=(0, 1, 0), wavelength=0.7093,
    ...                             psi_max=35, space_group="P21/c", shells=5)
    >>> import pandas; pandas.DataFrame(report.shells)     # doctest: +SKIP
)doc");

  py::class_<OrientationMap>(m, "OrientationMap", R"doc(
The completeness of every mount over an even grid of the hemisphere of axes.

Attributes: directions ((N, 3) unit vectors, a along x, b in the xy plane, c* along z),
counts (accessible unique reflections per direction), completeness (percent), theory,
covered (reached by the mounts already made, together), mounts, best, worst, mean
(percent). svg() gives the picture `zirel-plan map --svg` draws.
)doc")
      .def_property_readonly("directions", &OrientationMap::directions)
      .def_property_readonly("counts", &OrientationMap::counts)
      .def_property_readonly("completeness", &OrientationMap::completeness)
      .def_property_readonly("theory", [](const OrientationMap& o) { return o.r_.theory; })
      .def_property_readonly("covered", [](const OrientationMap& o) { return o.r_.covered; })
      .def_property_readonly("step", [](const OrientationMap& o) { return o.r_.grid.step_deg; })
      .def_property_readonly("symmetry", [](const OrientationMap& o) { return o.plan_->symmetry.name; })
      .def_property_readonly("d_min", [](const OrientationMap& o) { return o.plan_->d_min; })
      .def_property_readonly("mean", [](const OrientationMap& o) { return 100.0 * o.r_.mean / std::max(1, o.r_.theory); })
      .def_property_readonly("mounts", &OrientationMap::mounts)
      .def_property_readonly("best", &OrientationMap::best)
      .def_property_readonly("worst", [](const OrientationMap& o) { return o.advice(o.r_.worst); })
      .def("svg", &OrientationMap::svg, "The map as an SVG document, the same text as zirel-plan map --svg writes.");

  m.def("orientation_map", &orientation_map, py::kw_only(), py::arg("cell"), py::arg("wavelength"),
        py::arg("psi_max"), py::arg("space_group") = py::none(), py::arg("laue") = py::none(),
        py::arg("d_min") = py::none(), py::arg("anomalous") = false, py::arg("step") = 2.0, py::arg("top") = 5,
        py::arg("with_") = py::none(), py::arg("with_hkl") = py::none(), py::arg("threads") = 0, R"doc(
The map of `zirel-plan map`: the completeness of every mount, the best and the worst.
with_= (and with_hkl=) are mounts already made, [U V W] (or plane normals (h k l)):
the map then shows what one more mount adds. Computed on the core's threads
(threads=0: the machine's cores, at most 8) without the GIL; Ctrl-C interrupts it.

Example:
    >>> cell = zirel.Cell(7.512, 9.874, 11.236, 90, 103.47, 90)
    >>> m = zirel.orientation_map(cell=cell, wavelength=0.7093, psi_max=35, space_group="P21/c")
    >>> m.best[0]["uvw"]                                  # doctest: +SKIP
    >>> open("map.svg", "w", encoding="utf-8").write(m.svg())  # doctest: +SKIP
)doc");
}

}  // namespace zirel::python
