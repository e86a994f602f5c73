// The form on its own, filled with sample values: for looking at the layout
// without the program. Exit, Escape or the close box end it.
#include "dialog/dialog.h"

#include <array>
#include <cstdio>
#include <utility>

namespace {

void on_axis_kind(zirel::DialogRecord& dlg, int id, int) {
  bool hkl = id == zirel::IDC_AXIS_HKL;
  zirel::DLGPUTCHAR(dlg, zirel::IDC_LABEL_U, hkl ? "h" : "U", zirel::ATTR_TEXT);
  zirel::DLGPUTCHAR(dlg, zirel::IDC_LABEL_V, hkl ? "k" : "V", zirel::ATTR_TEXT);
  zirel::DLGPUTCHAR(dlg, zirel::IDC_LABEL_W, hkl ? "l" : "W", zirel::ATTR_TEXT);
}

}  // namespace

int show_demo() {
  zirel::DialogRecord dlg;
  if (!zirel::DLGLOAD(zirel::MAIN_DIALOG_ID, dlg)) {
    std::puts(" Error: dialog not found");
    return 0;
  }
  zirel::DLGPUTLOG(dlg, zirel::IDC_GENERATE, 0);
  zirel::DLGBINDSUB(dlg, zirel::IDC_AXIS_UVW, on_axis_kind);
  zirel::DLGBINDSUB(dlg, zirel::IDC_AXIS_HKL, on_axis_kind);
  const std::array<std::pair<int, const char*>, 11> sample{{
      {zirel::IDC_AXIS_U, "0"}, {zirel::IDC_AXIS_V, "0"}, {zirel::IDC_AXIS_W, "1"},
      {zirel::IDC_CELL_A, "5.4310"}, {zirel::IDC_CELL_B, "5.4310"}, {zirel::IDC_CELL_C, "5.4310"},
      {zirel::IDC_CELL_ALPHA, "90.000"}, {zirel::IDC_CELL_BETA, "90.000"}, {zirel::IDC_CELL_GAMMA, "90.000"},
      {zirel::IDC_WAVELENGTH, "0.71073"}, {zirel::IDC_PSI_MAX, "38.000"},
  }};
  for (const auto& [id, text] : sample) zirel::DLGPUTCHAR(dlg, id, text);
  zirel::DLGPUTCHAR(dlg, zirel::IDC_STATUS, "Select Files and Set Parameters ", zirel::ATTR_TEXT);
  int result = zirel::DLGMODAL(dlg);
  zirel::DLGRELEASE(dlg);
  return result < 0 ? 1 : 0;
}

int main(int argc, char** argv) {
  int status = 0;
  zirel::run_dialog_program(argc, argv, [&] { status = show_demo(); });
  return status;
}
