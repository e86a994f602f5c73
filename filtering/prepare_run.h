// From a run's settings to everything the filtering run needs, or the reason it
// cannot run. Every front end calls this, so each refusal is decided in one place
// and in one order: the cell (singular), then the axis (zero length), then, when
// generating, the generator. A new refusal is one more step in prepare_run.
#pragma once

#include <array>
#include <optional>
#include <string>
#include "filtering/accessibility.h"
#include "filtering/filter_run.h"
#include "filtering/generation.h"
#include "filtering/run_settings.h"
#include "recio/format.h"

namespace zirel {

enum class RefusalKind {
  invalid_parameter,  // a value no run can use
  singular_cell,      // the cell's metric cannot be inverted
  zero_axis,          // the axis vector has no direction
};

// The setting a refusal is about, so that a front end can name its own field or option.
enum class RunParameter { cell, axis, wavelength, psi_max };

struct RunRefusal {
  RefusalKind kind = RefusalKind::invalid_parameter;
  RunParameter parameter = RunParameter::cell;
  std::string message;       // upper case, as the status line shows it
  float determinant = 0.0f;  // singular cell: det G, for determinant_line
};

struct PreparedRun {
  CellMetric metric;
  AccessibilityRun access;
  std::optional<GenerationState> generator;  // only when generating
};

// Exactly one of the two is set.
struct RunPreparation {
  std::optional<PreparedRun> run;
  std::optional<RunRefusal> refusal;
};

RunPreparation prepare_run(const RunSettings& settings, bool generate);

// The filtering run of a prepared run: from the generator, if it has one, else from the
// file open on INPUT_UNIT of `table` in settings.input_kind; to the file open on
// OUTPUT_UNIT in settings.output_kind.
FilterCounts run_prepared(PreparedRun& run, const RunSettings& settings, UnitTable& table,
                          StatusSink& status);

// The line a singular cell is reported with below its message, 44 characters:
// "   Determinant of Metric tensor =     0.0000" (the determinant as F10.4).
inline constexpr std::size_t DETERMINANT_LINE_LENGTH = 44;
const RecordFormat& determinant_line_format();
std::array<char, DETERMINANT_LINE_LENGTH> determinant_line(float determinant);

}  // namespace zirel
