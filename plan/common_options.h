// The options every form of zirel-plan shares (the one-orientation report and its
// subcommands), defined once, and the checked parameters they give.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>
#include <vector>
#include "filtering/cell_metric.h"
#include "filtering/run_settings.h"
#include "planning/symmetry.h"

namespace zirel::plan {

// Exit codes, as zirel-batch's.
inline constexpr int EXIT_READ_ERROR = 1;
inline constexpr int EXIT_USAGE = 2;
inline constexpr int EXIT_SINGULAR = 3;
inline constexpr int EXIT_WRITE_FAILURE = 4;

// Numbers stay text until they are converted by the record I/O layer's rules.
struct CommonOptions {
  std::vector<std::string> cell;
  std::string space_group, laue;
  std::string wavelength, psi_max, d_min;
  bool anomalous = false;
};

struct AxisOptions {
  std::vector<std::string> uvw, hkl;
};

// A refusal: what to tell the user on standard error, and the exit code.
struct Refusal {
  int exit_code = EXIT_USAGE;
  std::string message;
};

// The checked parameters: the cell and its metric, the symmetry, the wavelength and
// Psi max (in `settings`, whose axis the caller fills), and the resolution limit.
struct PlanParameters {
  RunSettings settings;
  CellMetric metric;
  Symmetry symmetry;
  double d_min = 0;  // --d-min, or the finest the opening allows
  bool d_min_given = false;
  bool anomalous = false;
};

// --cell, --space-group | --laue, --wavelength, --psi-max, --d-min, --anomalous.
void add_common_options(CLI::App& app, CommonOptions& options);
// --uvw | --hkl.
void add_axis_options(CLI::App& app, AxisOptions& options);

std::optional<PlanParameters> plan_parameters(const CommonOptions& options, Refusal& refusal);
// Puts the axis into `settings`; refuses a missing or unreadable one.
bool read_axis(const AxisOptions& options, RunSettings& settings, Refusal& refusal);

}  // namespace zirel::plan
