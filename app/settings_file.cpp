#include "app/settings_file.h"

#include "app/shell_state.h"
#include "app/status_line.h"
#include "dialog/dialog.h"
#include "recio/recio.h"

#include <array>
#include <cmath>

namespace zirel {
namespace {

// The fields' display formats, each parsed once.
struct FieldFormats {
  RecordFormat wavelength{"(F6.4)"};
  RecordFormat psi_max{"(F6.3)"};
  RecordFormat cell{"(F10.5)"};
  RecordFormat axis{"(I3)"};
};

const FieldFormats& field_formats() {
  static const FieldFormats f;
  return f;
}

// An end of file counts as a failure too: a file cut short by a crash during
// a save is replaced like an unreadable one instead of ending the program.
IoStatus read_records(RunSettings& s) { return read_settings_records(units(), SETTINGS_UNIT, s).status; }

// No error branches: a settings file that cannot be written ends the program.
void write_records(const RunSettings& s) { write_settings_records(units(), SETTINGS_UNIT, s); }

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
  const FieldFormats& f = field_formats();
  show_value(dlg, IDC_WAVELENGTH, f.wavelength, s.wavelength);
  show_value(dlg, IDC_PSI_MAX, f.psi_max, s.psi_max);
  const std::array<std::pair<int, float>, 6> cell{{{IDC_CELL_A, s.cell.a},
                                                   {IDC_CELL_B, s.cell.b},
                                                   {IDC_CELL_C, s.cell.c},
                                                   {IDC_CELL_ALPHA, s.cell.alpha},
                                                   {IDC_CELL_BETA, s.cell.beta},
                                                   {IDC_CELL_GAMMA, s.cell.gamma}}};
  for (const auto& [id, value] : cell) show_value(dlg, id, f.cell, value);
  const std::array<int, 3> axis_ids{IDC_AXIS_U, IDC_AXIS_V, IDC_AXIS_W};
  for (int i = 0; i < 3; ++i) {
    const int32_t component = truncated(s.axis[i]);
    show_value(dlg, axis_ids[i], f.axis, component);
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
