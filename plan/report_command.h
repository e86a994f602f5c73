// The top-level command of zirel-plan: completeness for one orientation, and of a
// measured data set.
#pragma once

#include <CLI/CLI.hpp>
#include "plan/common_options.h"

namespace zirel::plan {

struct ReportOptions {
  CommonOptions common;
  int shells = 10;
  std::string input;
  bool json = false;
};

// Adds the report's own options (beside the shared ones) to the program.
void add_report_options(CLI::App& app, ReportOptions& options);

// Runs the report; the exit code.
int run_report(const ReportOptions& options);

}  // namespace zirel::plan
