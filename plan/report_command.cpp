#include "plan/report_command.h"

#include <iostream>
#include "plan/measured_input.h"
#include "planning/completeness.h"
#include "plan/report_output.h"

namespace zirel::plan {

namespace {

int refuse(const Refusal& refusal) { return cli::tell("zirel-plan", refusal); }

}  // namespace

void add_report_options(CLI::App& app, ReportOptions& o) {
  add_common_options(app, o.common);
  add_axis_options(app, o.common);
  app.add_option("--shells", o.shells, "Number of resolution shells of equal volume (default 10), e.g. --shells 5")
      ->type_name("N")
      ->check(CLI::Range(1, 100));
  app.add_option("--input", o.input,
                 "Measured reflections (SHELX .hkl or Cellex .abs, read as zirel-batch reads them):\n"
                 "adds measured unique reflections, completeness and redundancy, e.g. --input data.hkl")
      ->type_name("FILE");
  app.add_flag("--json", o.json, "Write the report as JSON instead of a table");
}

int run_report(const ReportOptions& o) {
  Refusal refusal;
  PlanRequest request;
  request.command = PlanCommand::report;
  const std::optional<PreparedPlan> p = prepared_plan(o.common, request, refusal);
  if (!p)
    return refuse(refusal);
  const UniqueSet& set = p->set;
  const std::vector<std::uint8_t> accessible = accessible_reflections(set, p->access);
  std::optional<Measurement> measurement;
  if (!o.input.empty()) {
    measurement.emplace();
    if (!read_measurement(o.input, set, p->symmetry, *measurement, refusal))
      return refuse(refusal);
  }
  const CompletenessTable table =
      completeness_table(set, accessible, measurement ? &*measurement : nullptr, o.shells);
  const ReportData data{*p, table, measurement ? &*measurement : nullptr, o.input};
  if (o.json)
    write_json_report(std::cout, data);
  else
    write_text_report(std::cout, data);
  std::cout.flush();
  // A script must not take a report it never got for success.
  if (!std::cout)
    return refuse({EXIT_WRITE_FAILURE, "cannot write the report to standard output"});
  return 0;
}

}  // namespace zirel::plan
