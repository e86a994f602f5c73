#include "filtering/prepare_run.h"

#include "recio/statement.h"

namespace zirel {

namespace {

RunPreparation refuse(RefusalKind kind, RunParameter parameter, std::string_view message,
                      float determinant = 0.0f) {
  return {std::nullopt, RunRefusal{kind, parameter, std::string(message), determinant}};
}

}  // namespace

std::optional<RunRefusal> beam_and_cell_refusal(const RunSettings& settings, CellMetric& metric) {
  // A Psi max of 180 generated nothing and reported success; NaN fails both tests.
  if (!(settings.wavelength > 0.0f))
    return refuse(RefusalKind::invalid_parameter, RunParameter::wavelength, WAVELENGTH_MESSAGE).refusal;
  if (!(settings.psi_max >= 0.0f && settings.psi_max <= 90.0f))
    return refuse(RefusalKind::invalid_parameter, RunParameter::psi_max, PSI_MAX_MESSAGE).refusal;
  metric = build_metric(settings.cell);
  if (metric.singular)
    return refuse(RefusalKind::singular_cell, RunParameter::cell, SINGULAR_CELL_MESSAGE, metric.determinant).refusal;
  // Cells that pass the determinant test and are still no cell (alpha 0, angles that
  // cannot close, a flat cell) would otherwise give a plausible-looking output.
  if (!edges_positive(settings.cell))
    return refuse(RefusalKind::invalid_cell, RunParameter::cell, CELL_EDGES_MESSAGE).refusal;
  if (!angles_form_cell(settings.cell))
    return refuse(RefusalKind::invalid_cell, RunParameter::cell, CELL_ANGLES_MESSAGE).refusal;
  return std::nullopt;
}

RunPreparation prepare_run(const RunSettings& settings, bool generate) {
  PreparedRun run;
  if (std::optional<RunRefusal> refusal = beam_and_cell_refusal(settings, run.metric))
    return {std::nullopt, std::move(refusal)};

  run.access = prepare_accessibility(settings, run.metric);
  if (run.access.zero_axis)
    return refuse(RefusalKind::zero_axis, RunParameter::axis, ZERO_AXIS_MESSAGE);
  if (generate) {
    // Refused rather than cut short (the index cap would silently truncate the sphere)
    // or left to run for hours.
    run.generator = prepare_generation(settings, run.metric);
    if (run.generator->bound_limited)
      return refuse(RefusalKind::invalid_parameter, RunParameter::generation, GENERATION_INDEX_MESSAGE);
    if (!(expected_generated_reflections(settings) <= MAX_GENERATED_REFLECTIONS))
      return refuse(RefusalKind::invalid_parameter, RunParameter::generation, GENERATION_COUNT_MESSAGE);
  }
  return {std::move(run), std::nullopt};
}

FilterCounts run_prepared(PreparedRun& run, const RunSettings& settings, UnitTable& table,
                          StatusSink& status, bool keep_columns) {
  ReflectionSink sink(table, OUTPUT_UNIT, settings.output_kind, keep_columns);
  if (run.generator) {
    GeneratedReflections source(*run.generator);
    return filter_reflections(run.access, source, sink, status);
  }
  ReflectionFile source(table, INPUT_UNIT, settings.input_kind);
  return filter_reflections(run.access, source, sink, status);
}

const RecordFormat& determinant_line_format() {
  static const RecordFormat f("('" + std::string(DETERMINANT_LABEL) + "',F10.4)");
  return f;
}

std::array<char, DETERMINANT_LINE_LENGTH> determinant_line(float determinant) {
  std::array<char, DETERMINANT_LINE_LENGTH> line;
  write_internal(line, determinant_line_format(), {determinant});
  return line;
}

}  // namespace zirel
