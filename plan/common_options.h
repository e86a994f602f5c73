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
#include "planning/symmetry.h"

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

// The checked parameters: the cell and its metric, the symmetry, the wavelength and
// Psi max, the axis when one was asked for, and the resolution limit.
struct PlanParameters {
  RunSettings settings;
  CellMetric metric;
  AccessibilityRun access;  // for the axis of `settings`; only when the axis was needed
  Symmetry symmetry;
  double d_min = 0;  // --d-min, or the finest the opening allows
  bool d_min_given = false;
  bool anomalous = false;
};

// --cell, --space-group | --laue, --wavelength, --psi-max, --d-min, --anomalous, --settings.
void add_common_options(CLI::App& app, CommonOptions& options);
// --uvw | --hkl, for the forms that look along one axis.
void add_axis_options(CLI::App& app, CommonOptions& options);

// Refuses what no plan can use, with the exit code and a message naming the option.
// The axis is required when `axis_needed`; otherwise it is not looked at.
std::optional<PlanParameters> plan_parameters(const CommonOptions& options, bool axis_needed, Refusal& refusal);

}  // namespace zirel::plan
