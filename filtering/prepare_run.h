// From a run's settings to everything the filtering run needs, or the reason it
// cannot run. Every front end calls this, so each refusal is decided in one place
// and in one order: the wavelength and Psi max, the cell (singular, then its edges,
// then its angles), the axis (zero length), then, when generating, the size of the
// generation. A new refusal is one more step in prepare_run.
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
  invalid_cell,       // the metric inverts, but the edges or angles describe no cell
  zero_axis,          // the axis vector has no direction
};

// The setting a refusal is about, so that a front end can name its own field or option.
enum class RunParameter { cell, axis, wavelength, psi_max, generation };

inline constexpr std::string_view WAVELENGTH_MESSAGE = "WAVELENGTH MUST BE POSITIVE";
inline constexpr std::string_view PSI_MAX_MESSAGE = "PSI MAX MUST LIE BETWEEN 0 AND 90 DEGREES";
inline constexpr std::string_view GENERATION_COUNT_MESSAGE =
    "TOO MANY REFLECTIONS TO GENERATE (LIMIT 100,000,000)";
inline constexpr std::string_view GENERATION_INDEX_MESSAGE = "INDICES TOO LARGE TO GENERATE (LIMIT 999)";

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

// The first checks of prepare_run, for a program that has no axis to look at (a map
// over every axis): the wavelength and Psi max, then the cell. The cell's metric goes
// to `metric` on the way; nothing when they pass.
std::optional<RunRefusal> beam_and_cell_refusal(const RunSettings& settings, CellMetric& metric);

// The filtering run of a prepared run: from the generator, if it has one, else from the
// file open on INPUT_UNIT of `table` in settings.input_kind; to the file open on
// OUTPUT_UNIT in settings.output_kind. `keep_columns`: SHELX records written keep the
// input record's columns after 28.
FilterCounts run_prepared(PreparedRun& run, const RunSettings& settings, UnitTable& table,
                          StatusSink& status, bool keep_columns = false);

// The line a singular cell is reported with below its message, 44 characters:
// "   Determinant of Metric tensor =     0.0000" (the determinant as F10.4).
inline constexpr std::size_t DETERMINANT_LINE_LENGTH = 44;
const RecordFormat& determinant_line_format();
std::array<char, DETERMINANT_LINE_LENGTH> determinant_line(float determinant);

}  // namespace zirel
