#include "app/status_line.h"

#include "dialog/dialog.h"
#include "recio/unit.h"
#include "app/shell_state.h"

namespace zirel {

void on_axis_kind(DialogRecord& dlg, int id, int) {
  const char* labels = nullptr;
  if (id == IDC_AXIS_UVW) labels = "UVW";
  if (id == IDC_AXIS_HKL) labels = "hkl";
  if (!labels) return;
  DLGPUTCHAR(dlg, IDC_LABEL_U, std::string_view(labels + 0, 1), ATTR_TEXT);
  DLGPUTCHAR(dlg, IDC_LABEL_V, std::string_view(labels + 1, 1), ATTR_TEXT);
  DLGPUTCHAR(dlg, IDC_LABEL_W, std::string_view(labels + 2, 1), ATTR_TEXT);
}

bool input_ready() {
  const ShellState& s = shell_state();
  return s.input_state == -1 || (s.input_state == 1 && units().is_connected(INPUT_UNIT));
}

bool output_ready() {
  return shell_state().output_open == 1 && units().is_connected(OUTPUT_UNIT);
}

void update_run_gating(DialogRecord& dlg) {
  bool ready = input_ready() && output_ready();
  DLGPUTLOG(dlg, IDC_RUN, ready, ATTR_ENABLED);
  DLGPUTCHAR(dlg, IDC_STATUS, ready ? READY_TEXT : SELECT_FILES_TEXT, ATTR_TEXT);
}

void show_status(std::string_view text) {
  DialogRecord& dlg = shell_state().dlg;
  DLGPUTCHAR(dlg, IDC_STATUS, text, ATTR_TEXT);
  DLGREFRESH(dlg);
}

}  // namespace zirel
