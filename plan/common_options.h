// The options every form of zirel-plan shares (the one-orientation report and its
// subcommands), defined once, and the checked parameters they give.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>
#include "cli/parameter_options.h"
#include "filtering/accessibility.h"
#include "filtering/cell_metric.h"
#include "filtering/run_settings.h"
#include "planning/prepare_plan.h"

namespace zirel::plan {

// The program speaks the planning library's words.
using namespace zirel::planning;

using cli::EXIT_READ_ERROR;
using cli::EXIT_SINGULAR;
using cli::EXIT_USAGE;
using cli::EXIT_WRITE_FAILURE;
using cli::Refusal;

// Numbers stay text until they are converted by the record I/O layer's rules.
struct CommonOptions {
  cli::ParameterOptions parameters;  // cell, wavelength, Psi max, settings file; the axis too when offered
  std::string space_group, laue;
  std::string d_min;
  bool anomalous = false;
};

// --cell, --space-group | --laue, --wavelength, --psi-max, --d-min, --anomalous, --settings.
void add_common_options(CLI::App& app, CommonOptions& options);
// --uvw | --hkl, for the forms that look along one axis.
void add_axis_options(CLI::App& app, CommonOptions& options);

// The plan the options ask for, checked by prepare_plan. Refuses first what only the
// command line can get wrong (a missing option, a number that is not one); then every
// refusal of prepare_plan, told with this program's option names and exit codes.
// `step_text` is --step as typed, for its refusal.
std::optional<PreparedPlan> prepared_plan(const CommonOptions& options, PlanRequest request, Refusal& refusal,
                                          const std::string& step_text = "");

}  // namespace zirel::plan
