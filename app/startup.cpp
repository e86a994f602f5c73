#include "app/startup.h"

#include "dialog/dialog.h"
#include "app/file_selection.h"
#include "recio/recio.h"
#include "app/run_command.h"
#include "app/settings_file.h"
#include "app/shell_state.h"
#include "app/status_line.h"

namespace zirel {

bool start_form(int template_id) {
  ShellState& s = shell_state();
  s.run_failed = 0;
  if (!DLGLOAD(template_id, s.dlg)) {
    write_list("Error: dialog not found");
    return false;
  }
  DLGBINDSUB(s.dlg, IDC_SELECT_INPUT, on_select_input);
  DLGBINDSUB(s.dlg, IDC_SELECT_OUTPUT, on_select_output);
  DLGBINDSUB(s.dlg, IDC_GENERATE, on_generate);
  DLGPUTLOG(s.dlg, IDC_GENERATE, 0);  // the dialog layer starts check boxes ticked
  DLGBINDSUB(s.dlg, IDC_AXIS_UVW, on_axis_kind);
  DLGBINDSUB(s.dlg, IDC_AXIS_HKL, on_axis_kind);
  DLGBINDSUB(s.dlg, IDC_RUN, on_run);
  setup_form();
  return true;
}

void run_program(int template_id) {
  if (start_form(template_id)) {
    DLGMODAL(shell_state().dlg);
    DLGRELEASE(shell_state().dlg);
  }
  close_shell_units();
}

}  // namespace zirel
