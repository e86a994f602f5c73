#include "planning/prepare_plan.h"

#include <charconv>
#include <cmath>
#include "filtering/prepare_run.h"
#include "planning/number_text.h"

namespace zirel::planning {

namespace {

// About 0.1 % in an edge or 0.1 degree in an angle: a cell rounded for typing passes,
// a cell of another crystal family does not.
constexpr double CELL_MISFIT_TOLERANCE = 2e-3;

std::string cell_text(const UnitCell& c) {
  std::string text;
  for (const float v : {c.a, c.b, c.c, c.alpha, c.beta, c.gamma})
    text += (text.empty() ? "" : " ") + shortest_text(v);
  return text;
}

// Six significant digits at most, in the form to_chars finds shortest: 0.001, 1e-09.
std::string general_text(double value) {
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6).ptr;
  return std::string(buffer, end);
}

PlanPreparation refuse(PlanRefusalKind kind, PlanParameter parameter, std::string message, int mount = -1) {
  return {std::nullopt, PlanRefusal{kind, parameter, std::move(message), 0.0f, mount}};
}

PlanPreparation refuse_as_run(const RunRefusal& r) {
  PlanRefusal out;
  out.message = r.message;
  out.determinant = r.determinant;
  switch (r.kind) {
    case RefusalKind::invalid_parameter: out.kind = PlanRefusalKind::invalid_parameter; break;
    case RefusalKind::singular_cell: out.kind = PlanRefusalKind::singular_cell; break;
    case RefusalKind::invalid_cell: out.kind = PlanRefusalKind::invalid_cell; break;
    case RefusalKind::zero_axis: out.kind = PlanRefusalKind::zero_axis; break;
  }
  switch (r.parameter) {
    case RunParameter::wavelength: out.parameter = PlanParameter::wavelength; break;
    case RunParameter::psi_max: out.parameter = PlanParameter::psi_max; break;
    case RunParameter::axis: out.parameter = PlanParameter::axis; break;
    case RunParameter::cell:
    case RunParameter::generation: out.parameter = PlanParameter::cell; break;
  }
  return {std::nullopt, std::move(out)};
}

RunSettings settings_at(const RunSettings& s, const MountAxis& axis) {
  RunSettings out = s;
  out.axis_kind = axis.kind;
  out.axis = axis.axis;
  return out;
}

}  // namespace

std::string axis_text(const MountAxis& a) {
  const std::string triple = shortest_text(a.axis[0]) + ' ' + shortest_text(a.axis[1]) + ' ' + shortest_text(a.axis[2]);
  return a.kind == AxisKind::UVW ? "[" + triple + "]" : "normal of (" + triple + ")";
}

std::string count_text(double count) {
  if (!std::isfinite(count))
    return "uncountably many";
  // Integers are exact in a double below 2^53; beyond, a rounded mantissa says as much.
  if (count < 1e15)
    return std::to_string(static_cast<long long>(std::llround(count)));
  return general_text(count);
}

PlanPreparation prepare_plan(const PlanRequest& q) {
  PreparedPlan p;
  p.request = q;
  p.settings.cell = q.cell;
  p.settings.wavelength = q.wavelength;
  p.settings.psi_max = q.psi_max;
  p.settings.axis_kind = q.axis.kind;
  p.settings.axis = q.axis.axis;

  if (q.space_group.empty() && q.laue.empty())
    return refuse(PlanRefusalKind::invalid_parameter, PlanParameter::symmetry, "give a space group or a Laue class");
  std::string why;
  std::optional<Symmetry> symmetry =
      q.laue.empty() ? symmetry_of_space_group(q.space_group, q.cell, why) : symmetry_of_laue_class(q.laue, why);
  if (!symmetry)
    return refuse(PlanRefusalKind::invalid_parameter, PlanParameter::symmetry, why);
  p.symmetry = std::move(*symmetry);

  if (std::optional<RunRefusal> r = beam_and_cell_refusal(p.settings, p.metric))
    return refuse_as_run(*r);
  const bool axis_needed = q.command != PlanCommand::map;
  if (axis_needed) {
    p.access = prepare_accessibility(p.settings, p.metric);
    if (p.access.zero_axis)
      return refuse(PlanRefusalKind::zero_axis, PlanParameter::axis, std::string(ZERO_AXIS_MESSAGE));
  }
  // After the run's own checks, which speak first for every program: the resolution
  // the opening allows needs an opening.
  if (!(q.psi_max > 0.0f && q.psi_max <= 90.0f))
    return refuse(PlanRefusalKind::invalid_parameter, PlanParameter::psi_max, "must be above 0 and at most 90 degrees");
  if (symmetry_misfit(p.symmetry, p.metric.g_star) > CELL_MISFIT_TOLERANCE)
    return refuse(PlanRefusalKind::invalid_parameter, PlanParameter::cell,
                  cell_text(q.cell) + " does not have the symmetry of the " + p.symmetry.name + " (" +
                      cell_conditions(p.symmetry) + "): reflections counted as equivalent would have different d");
  p.d_min_given = q.d_min.has_value();
  if (p.d_min_given && !(*q.d_min > 0.0f))
    return refuse(PlanRefusalKind::invalid_parameter, PlanParameter::d_min, "must be positive");
  p.d_min = p.d_min_given ? double(*q.d_min) : opening_d_min(q.wavelength, q.psi_max);
  p.counted_d_min = p.d_min_given ? p.d_min * (1.0 - D_MIN_RELATIVE_TOLERANCE) : p.d_min;
  p.anomalous = q.anomalous;
  // Every command walks (at least a layer of) this sphere; refused before it does.
  const double expected = sphere_reflection_estimate(p.metric, p.d_min);
  if (!(expected <= MAX_SPHERE_REFLECTIONS))
    return refuse(PlanRefusalKind::too_large, PlanParameter::d_min,
                  "the sphere up to d min " + general_text(p.d_min) + " A holds about " + count_text(expected) +
                      " reflections, more than 20 million");

  if (q.command == PlanCommand::map) {
    if (!(q.step_deg >= 0.1f && q.step_deg <= 30.0f))
      return refuse(PlanRefusalKind::invalid_parameter, PlanParameter::step, "must be from 0.1 to 30 degrees");
    if (q.top < 0 || q.top > 100)
      return refuse(PlanRefusalKind::invalid_parameter, PlanParameter::top, "must be from 0 to 100");
  }
  if (q.command == PlanCommand::section) {
    std::optional<SectionPlane> plane = parse_section_plane(q.plane, why);
    if (!plane)
      return refuse(PlanRefusalKind::invalid_parameter, PlanParameter::plane, why);
    p.plane = *plane;
    return {std::move(p), std::nullopt};
  }

  p.set = unique_reflections(p.symmetry, p.metric, p.counted_d_min, p.anomalous);
  p.set.d_min = p.d_min;  // the shells are those of the limit asked for
  // A report of empty shells has no d max to print and no completeness to give: the
  // report is refused as the map is (a wavelength of metres, an opening of 1e-45 degrees).
  if (p.set.reflections.empty())
    return refuse(PlanRefusalKind::nothing_to_plan, PlanParameter::d_min,
                  "no reflection has d >= d_min (" +
                      (std::isfinite(p.d_min) ? trimmed_text(p.d_min, 4) + " A" : std::string("infinite")) + ")");
  if (q.command == PlanCommand::map) {
    for (size_t i = 0; i < q.mounts.size(); ++i)
      if (prepare_accessibility(settings_at(p.settings, q.mounts[i]), p.metric).zero_axis)
        return refuse(PlanRefusalKind::zero_axis, PlanParameter::mounts,
                      "mount " + axis_text(q.mounts[i]) + ": " + std::string(ZERO_AXIS_MESSAGE), int(i));
  }
  return {std::move(p), std::nullopt};
}

}  // namespace zirel::planning
