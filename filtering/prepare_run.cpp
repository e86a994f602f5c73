#include "filtering/prepare_run.h"

#include "recio/statement.h"

namespace zirel {

namespace {

RunPreparation refuse(RefusalKind kind, RunParameter parameter, std::string_view message,
                      float determinant = 0.0f) {
  return {std::nullopt, RunRefusal{kind, parameter, std::string(message), determinant}};
}

}  // namespace

RunPreparation prepare_run(const RunSettings& settings, bool generate) {
  PreparedRun run;
  run.metric = build_metric(settings.cell);
  if (run.metric.singular)
    return refuse(RefusalKind::singular_cell, RunParameter::cell, SINGULAR_CELL_MESSAGE,
                  run.metric.determinant);
  run.access = prepare_accessibility(settings, run.metric);
  if (run.access.zero_axis)
    return refuse(RefusalKind::zero_axis, RunParameter::axis, ZERO_AXIS_MESSAGE);
  if (generate)
    run.generator = prepare_generation(settings, run.metric);
  return {std::move(run), std::nullopt};
}

FilterCounts run_prepared(PreparedRun& run, const RunSettings& settings, UnitTable& table,
                          StatusSink& status) {
  ReflectionSink sink(table, OUTPUT_UNIT, settings.output_kind);
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
