#include "plan/common_options.h"

#include "filtering/prepare_run.h"
#include "planning/number_text.h"
#include "planning/unique_set.h"

namespace zirel::plan {

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

}  // namespace

void add_common_options(CLI::App& app, CommonOptions& o) {
  cli::add_cell_option(app, o.parameters);
  auto* group = app.add_option("--space-group", o.space_group,
                               "Space group: Hermann-Mauguin symbol or number, e.g. --space-group P21/c,\n"
                               "\"P 1 21/n 1\", Pbca, R-3:H, Fd-3m, 14")
                    ->type_name("NAME");
  auto* laue = app.add_option("--laue", o.laue,
                              "Laue class instead of a space group (no absences): -1, 2/m, mmm, 4/m,\n"
                              "4/mmm, -3, -3m1, -31m, 6/m, 6/mmm, m-3, m-3m; 2/m:a, 2/m:c, -3:R, -3m:R")
                   ->type_name("SYMBOL");
  group->excludes(laue);
  cli::add_beam_options(app, o.parameters);
  app.add_option("--d-min", o.d_min,
                 "Resolution limit in A (default: the finest the opening allows,\n"
                 "lambda / (2 sin Psi max)), e.g. --d-min 0.8")
      ->type_name("D");
  app.add_flag("--anomalous", o.anomalous,
               "Keep Friedel mates apart: unique under the point group, not the Laue class");
  cli::add_settings_option(app, o.parameters);
}

void add_axis_options(CLI::App& app, CommonOptions& o) { cli::add_axis_options(app, o.parameters); }

std::optional<PlanParameters> plan_parameters(const CommonOptions& o, bool axis_needed, Refusal& refusal) {
  std::optional<RunSettings> settings = cli::parameters_of(o.parameters, axis_needed, refusal);
  if (!settings)
    return std::nullopt;
  PlanParameters p;
  p.settings = *settings;
  RunSettings& s = p.settings;
  if (o.space_group.empty() && o.laue.empty()) {
    refusal.message = "give --space-group NAME or --laue SYMBOL";
    return std::nullopt;
  }
  std::string why;
  std::optional<Symmetry> symmetry = o.laue.empty() ? symmetry_of_space_group(o.space_group, s.cell, why)
                                                    : symmetry_of_laue_class(o.laue, why);
  if (!symmetry) {
    refusal.message = (o.laue.empty() ? "--space-group: " : "--laue: ") + why;
    return std::nullopt;
  }
  p.symmetry = std::move(*symmetry);

  // Without an axis of its own the plan still goes through the run's checks; any
  // direction stands in for the axis it does not use.
  RunSettings checked = s;
  if (!axis_needed)
    checked.axis = Vec3{0.0f, 0.0f, 1.0f};
  RunPreparation prepared = prepare_run(checked, false);
  if (prepared.refusal) {
    refusal = cli::refusal_of(*prepared.refusal, o.parameters);
    return std::nullopt;
  }
  // After the run's own checks, which speak first for every program: the resolution
  // the opening allows needs an opening.
  if (!(s.psi_max > 0.0f && s.psi_max <= 90.0f)) {
    refusal.message = "--psi-max must be above 0 and at most 90 degrees";
    return std::nullopt;
  }
  p.metric = prepared.run->metric;
  if (axis_needed)
    p.access = prepared.run->access;
  if (symmetry_misfit(p.symmetry, p.metric.g_star) > CELL_MISFIT_TOLERANCE) {
    refusal.message = "--cell: " + cell_text(s.cell) + " does not have the symmetry of the " + p.symmetry.name +
                      " (" + cell_conditions(p.symmetry) + "): reflections counted as equivalent would have different d";
    return std::nullopt;
  }
  p.d_min_given = !o.d_min.empty();
  if (p.d_min_given) {
    float d = 0.0f;
    if (!cli::to_reals({o.d_min}, &d, "--d-min", refusal))
      return std::nullopt;
    if (!(d > 0.0f)) {
      refusal.message = "--d-min must be positive";
      return std::nullopt;
    }
    p.d_min = d;
  } else {
    p.d_min = opening_d_min(s.wavelength, s.psi_max);
  }
  p.anomalous = o.anomalous;
  return p;
}

}  // namespace zirel::plan
