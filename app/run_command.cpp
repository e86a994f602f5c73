#include "run_command.h"

#include "dialog.h"
#include "recio/recio.h"
#include "settings_file.h"
#include "shell_state.h"

#include <array>
#include <optional>
#include <string>

namespace zirel {
namespace {

struct FieldRead {
  int id;
  std::string_view name;  // in "INVALID NUMBER IN <name> FIELD"
  float RunSettings::*value = nullptr;
  float UnitCell::*cell_value = nullptr;
  int axis_index = -1;

  float& target(RunSettings& s) const {
    if (value) return s.*value;
    if (cell_value) return s.cell.*cell_value;
    return s.axis[axis_index];
  }
};

const std::array<FieldRead, 11> FIELDS{{
    {IDC_WAVELENGTH, "WAVELENGTH", &RunSettings::wavelength},
    {IDC_PSI_MAX, "PSI MAX", &RunSettings::psi_max},
    {IDC_CELL_A, "CELL A", nullptr, &UnitCell::a},
    {IDC_CELL_B, "CELL B", nullptr, &UnitCell::b},
    {IDC_CELL_C, "CELL C", nullptr, &UnitCell::c},
    {IDC_CELL_ALPHA, "CELL ALPHA", nullptr, &UnitCell::alpha},
    {IDC_CELL_BETA, "CELL BETA", nullptr, &UnitCell::beta},
    {IDC_CELL_GAMMA, "CELL GAMMA", nullptr, &UnitCell::gamma},
    {IDC_AXIS_U, "AXIS U", nullptr, nullptr, 0},
    {IDC_AXIS_V, "AXIS V", nullptr, nullptr, 1},
    {IDC_AXIS_W, "AXIS W", nullptr, nullptr, 2},
}};

// Reads the eleven fields into a copy of the settings, each from its first
// 20 characters; a null value or a slash keeps the previous value. The name
// of the first field that holds no number, if any.
std::optional<std::string_view> read_fields(DialogRecord& dlg, RunSettings& settings) {
  std::array<char, FIELD_TEXT_LENGTH> text;
  for (const FieldRead& f : FIELDS) {
    text.fill(' ');
    DLGFETCHCHAR(dlg, f.id, text);
    float& value = f.target(settings);
    if (read_internal_list({text.data(), text.size()}, {value}, {.err = true, .end = true}) != IO_OK)
      return f.name;
  }
  return std::nullopt;
}

// The run cannot start: the reason in the status line, Run enabled again,
// and nothing computed, closed or saved.
void refuse_run(DialogRecord& dlg, std::string_view message) {
  show_status(message);
  DLGPUTLOG(dlg, IDC_RUN, 1, ATTR_ENABLED);
}

// The console line a singular cell has always produced; the determinant
// reported for a singular cell is 0.
void report_singular_cell(const CellMetric& metric) {
  static const RecordFormat format("('   Determinant of Metric tensor = ',F10.4)");
  write_formatted(CONSOLE_UNIT, format, {metric.determinant});
}

}  // namespace

void on_run(DialogRecord& dlg, int, int) {
  ShellState& s = shell_state();
  DLGPUTLOG(dlg, IDC_RUN, 0, ATTR_ENABLED);
  DLGREFRESH(dlg);
  // Only reachable with both roles ready; a stale click finds the gating again.
  if (!input_ready() || !output_ready()) {
    update_run_gating(dlg);
    return;
  }

  RunSettings settings = s.run_settings;
  if (auto bad = read_fields(dlg, settings)) {
    refuse_run(dlg, "INVALID NUMBER IN " + std::string(*bad) + " FIELD");
    return;
  }
  bool uvw = true;
  DLGFETCHLOG(dlg, IDC_AXIS_UVW, uvw);
  settings.axis_kind = uvw ? AxisKind::UVW : AxisKind::HKL;
  s.run_settings = settings;
  s.run_failed = 0;

  const CellMetric metric = build_metric(settings.cell);
  if (metric.singular) {
    report_singular_cell(metric);
    refuse_run(dlg, SINGULAR_CELL_MESSAGE);
    return;
  }
  const AccessibilityRun access = prepare_accessibility(settings, metric);
  if (access.zero_axis) {
    refuse_run(dlg, ZERO_AXIS_MESSAGE);
    return;
  }
  std::optional<GenerationState> generator;
  if (s.input_state == -1) generator = prepare_generation(settings, metric);

  FormStatus status;
  const FilterCounts counts =
      filter_reflections(settings, access, generator ? &*generator : nullptr, status);
  s.run_failed = counts.run_failed ? 1 : 0;
  if (s.run_failed) {
    DLGPUTCHAR(dlg, IDC_STATUS, RUN_PROBLEM_TEXT, ATTR_TEXT);
    return;
  }
  close_unit(OUTPUT_UNIT);
  close_unit(INPUT_UNIT);
  save_settings();
}

}  // namespace zirel
