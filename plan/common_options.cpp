#include "plan/common_options.h"


namespace zirel::plan {

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

namespace {

Refusal told(const PlanRefusal& r, const CommonOptions& o, const std::string& step_text) {
  switch (r.parameter) {
    case PlanParameter::symmetry:
      if (o.space_group.empty() && o.laue.empty())
        return {EXIT_USAGE, "give --space-group NAME or --laue SYMBOL"};
      return {EXIT_USAGE, (o.laue.empty() ? "--space-group: " : "--laue: ") + r.message};
    case PlanParameter::psi_max:
      if (r.message != PSI_MAX_MESSAGE)  // the opening's own check, not the run's
        return {EXIT_USAGE, "--psi-max " + r.message};
      break;
    case PlanParameter::d_min:
      if (r.kind == PlanRefusalKind::too_large)
        return {EXIT_USAGE, r.message + ": give a larger --d-min"};
      if (r.kind == PlanRefusalKind::nothing_to_plan)
        return {EXIT_USAGE, r.message};
      return {EXIT_USAGE, "--d-min " + r.message};
    case PlanParameter::step:
      return {EXIT_USAGE, "--step: '" + step_text + "' must be a number of degrees from 0.1 to 30"};
    case PlanParameter::top: return {EXIT_USAGE, "--top " + r.message};
    case PlanParameter::mounts:
    case PlanParameter::plane: return {EXIT_USAGE, r.message};
    default: break;
  }
  // The run's own checks, and the cell's symmetry, as every program tells them.
  RunRefusal run{RefusalKind::invalid_parameter, RunParameter::cell, r.message, r.determinant};
  switch (r.kind) {
    case PlanRefusalKind::singular_cell: run.kind = RefusalKind::singular_cell; break;
    case PlanRefusalKind::invalid_cell: run.kind = RefusalKind::invalid_cell; break;
    case PlanRefusalKind::zero_axis: run.kind = RefusalKind::zero_axis; break;
    default: break;
  }
  switch (r.parameter) {
    case PlanParameter::wavelength: run.parameter = RunParameter::wavelength; break;
    case PlanParameter::psi_max: run.parameter = RunParameter::psi_max; break;
    case PlanParameter::axis: run.parameter = RunParameter::axis; break;
    default: break;
  }
  return cli::refusal_of(run, o.parameters);
}

}  // namespace

std::optional<PreparedPlan> prepared_plan(const CommonOptions& o, PlanRequest q, Refusal& refusal,
                                          const std::string& step_text) {
  const bool axis_needed = q.command != PlanCommand::map;
  std::optional<RunSettings> settings = cli::parameters_of(o.parameters, axis_needed, refusal);
  if (!settings)
    return std::nullopt;
  q.cell = settings->cell;
  q.wavelength = settings->wavelength;
  q.psi_max = settings->psi_max;
  q.axis = {settings->axis_kind, settings->axis};
  q.space_group = o.space_group;
  q.laue = o.laue;
  if (!o.d_min.empty()) {
    float d = 0.0f;
    if (!cli::to_reals({o.d_min}, &d, "--d-min", refusal))
      return std::nullopt;
    q.d_min = d;
  }
  q.anomalous = o.anomalous;
  PlanPreparation prepared = prepare_plan(q);
  if (prepared.refusal) {
    refusal = told(*prepared.refusal, o, step_text);
    return std::nullopt;
  }
  return std::move(prepared.plan);
}

}  // namespace zirel::plan
