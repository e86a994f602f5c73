// The one-orientation report: a table a person reads, or JSON for scripts.
#pragma once

#include <ostream>
#include <string>
#include "plan/common_options.h"
#include "planning/completeness.h"

namespace zirel::plan {

struct ReportData {
  const PreparedPlan& parameters;  // with the axis filled in
  const CompletenessTable& table;
  const Measurement* measurement = nullptr;  // with --input
  std::string input_file;
};

// The report's first lines, shared with the subcommands: the symmetry used, and the
// cell, wavelength, Psi max, axis (unless with_axis is false) and d min.
std::string symmetry_line(const PreparedPlan& p);
std::string parameters_line(const PreparedPlan& p, bool with_axis = true);
// "[0 1 0]" or "normal of (1 0 2)".
std::string axis_text(const RunSettings& s);

void write_text_report(std::ostream& out, const ReportData& data);
void write_json_report(std::ostream& out, const ReportData& data);

}  // namespace zirel::plan
