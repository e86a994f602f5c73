#include "settings_file.h"

#include "dialog.h"
#include "recio/recio.h"
#include "shell_state.h"
#include "status_line.h"

#include <array>
#include <cmath>

namespace zirel {
namespace {

// The file's four records and the fields' display formats, each parsed once.
struct Formats {
  RecordFormat cell{"(6F10.5)"};
  RecordFormat wavelength_psi{"(2F10.5)"};
  RecordFormat axis{"(I5,3F10.5)"};
  RecordFormat layouts{"(2I5)"};
  RecordFormat wavelength_field{"(F6.4)"};
  RecordFormat psi_max_field{"(F6.3)"};
  RecordFormat cell_field{"(F10.5)"};
  RecordFormat axis_field{"(I3)"};
};

const Formats& formats() {
  static const Formats f;
  return f;
}

// An end of file counts as a failure too: a file cut short by a crash during
// a save is replaced like an unreadable one instead of ending the program.
IoStatus read_records(RunSettings& s) {
  constexpr Branches branches{.err = true, .end = true};
  UnitCell& c = s.cell;
  if (IoStatus st = read_list(SETTINGS_UNIT, {c.a, c.b, c.c, c.alpha, c.beta, c.gamma}, branches))
    return st;
  if (IoStatus st = read_list(SETTINGS_UNIT, {s.wavelength, s.psi_max}, branches)) return st;
  int32_t axis_kind = int32_t(s.axis_kind);
  IoStatus st = read_list(SETTINGS_UNIT, {axis_kind, s.axis}, branches);
  s.axis_kind = AxisKind(axis_kind);
  if (st) return st;
  int32_t input_kind = int32_t(s.input_kind);
  int32_t output_kind = int32_t(s.output_kind);
  st = read_list(SETTINGS_UNIT, {input_kind, output_kind}, branches);
  s.input_kind = InputKind(input_kind);
  s.output_kind = OutputKind(output_kind);
  return st;
}

// No error branches: a settings file that cannot be written ends the program.
void write_records(const RunSettings& s) {
  const Formats& f = formats();
  const UnitCell& c = s.cell;
  write_formatted(SETTINGS_UNIT, f.cell, {c.a, c.b, c.c, c.alpha, c.beta, c.gamma});
  write_formatted(SETTINGS_UNIT, f.wavelength_psi, {s.wavelength, s.psi_max});
  const int32_t axis_kind = int32_t(s.axis_kind);
  write_formatted(SETTINGS_UNIT, f.axis,
                  {axis_kind, std::span<const float>(s.axis)});
  const int32_t input_kind = int32_t(s.input_kind);
  const int32_t output_kind = int32_t(s.output_kind);
  write_formatted(SETTINGS_UNIT, f.layouts, {input_kind, output_kind});
}

void show_value(DialogRecord& dlg, int id, const RecordFormat& format, IoItem value) {
  std::array<char, 10> text;
  write_internal(text, format, std::span<const IoItem>(&value, 1));
  DLGPUTCHAR(dlg, id, std::string_view(text.data(), text.size()));
}

// Truncated toward zero for an I3 field; anything beyond the int range would
// not fit three columns either, so it is clamped to show as asterisks.
int32_t truncated(float v) {
  if (!(std::fabs(v) < 1.0e9f)) return 1000000000;
  return int32_t(std::trunc(v));
}

}  // namespace

void set_default_settings(RunSettings& s) {
  s.cell = UnitCell{5.0f, 5.0f, 5.0f, 90.0f, 90.0f, 90.0f};
  s.axis = {0.0f, 0.0f, 1.0f};
  s.wavelength = 0.7093f;
  s.psi_max = 40.0f;
  s.input_kind = InputKind::Cellex;
  s.output_kind = OutputKind::Cellex;
}

void load_settings() {
  RunSettings& s = shell_state().run_settings;
  if (open_unit(SETTINGS_UNIT, SETTINGS_FILE, "old", {}, {.err = true}) == IO_OK &&
      read_records(s) == IO_OK) {
    rewind_unit(SETTINGS_UNIT);
    return;
  }
  set_default_settings(s);
  close_unit(SETTINGS_UNIT);
  open_unit(SETTINGS_UNIT, SETTINGS_FILE, "replace");
  write_records(s);
  rewind_unit(SETTINGS_UNIT);
  // Read back what was just written, so memory holds exactly the file's values.
  // Its status needs no check: a read that fails keeps the values just written,
  // which are what the file holds.
  read_records(s);
  rewind_unit(SETTINGS_UNIT);
}

void show_settings() {
  const RunSettings& s = shell_state().run_settings;
  DialogRecord& dlg = shell_state().dlg;
  const Formats& f = formats();
  show_value(dlg, IDC_WAVELENGTH, f.wavelength_field, s.wavelength);
  show_value(dlg, IDC_PSI_MAX, f.psi_max_field, s.psi_max);
  const std::array<std::pair<int, float>, 6> cell{{{IDC_CELL_A, s.cell.a},
                                                   {IDC_CELL_B, s.cell.b},
                                                   {IDC_CELL_C, s.cell.c},
                                                   {IDC_CELL_ALPHA, s.cell.alpha},
                                                   {IDC_CELL_BETA, s.cell.beta},
                                                   {IDC_CELL_GAMMA, s.cell.gamma}}};
  for (const auto& [id, value] : cell) show_value(dlg, id, f.cell_field, value);
  const std::array<int, 3> axis_ids{IDC_AXIS_U, IDC_AXIS_V, IDC_AXIS_W};
  for (int i = 0; i < 3; ++i) {
    const int32_t component = truncated(s.axis[i]);
    show_value(dlg, axis_ids[i], f.axis_field, component);
  }
}

void setup_form() {
  load_settings();
  show_settings();
  DLGPUTCHAR(shell_state().dlg, IDC_STATUS, SELECT_FILES_TEXT, ATTR_TEXT);
}

void save_settings() {
  write_records(shell_state().run_settings);
  rewind_unit(SETTINGS_UNIT);
}

}  // namespace zirel
