#include "app/run_command.h"

#include "app/settings_file.h"
#include "app/shell_state.h"
#include "dialog/dialog.h"
#include "filtering/prepare_run.h"
#include "recio/recio.h"

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

// A singular cell also leaves its determinant line on the console.
void refuse_prepared_run(DialogRecord& dlg, const RunRefusal& refusal) {
  if (refusal.kind == RefusalKind::singular_cell)
    write_formatted(CONSOLE_UNIT, determinant_line_format(), {refusal.determinant});
  refuse_run(dlg, refusal.message);
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

  RunPreparation prepared = prepare_run(settings, s.input_state == -1);
  if (prepared.refusal) {
    refuse_prepared_run(dlg, *prepared.refusal);
    return;
  }
  FormStatus status;
  const FilterCounts counts = run_prepared(*prepared.run, settings, units(), status);
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
