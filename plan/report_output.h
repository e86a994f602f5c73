// The one-orientation report: a table a person reads, or JSON for scripts.
#pragma once

#include <ostream>
#include <string>
#include "plan/common_options.h"
#include "planning/completeness.h"

namespace zirel::plan {

struct ReportData {
  const PlanParameters& parameters;  // with the axis filled in
  const CompletenessTable& table;
  const Measurement* measurement = nullptr;  // with --input
  std::string input_file;
};

void write_text_report(std::ostream& out, const ReportData& data);
void write_json_report(std::ostream& out, const ReportData& data);

}  // namespace zirel::plan
