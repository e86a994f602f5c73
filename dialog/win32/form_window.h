// The form on screen under Win32: the dialog manager makes the window and
// its controls from the in-memory template, and this class only mirrors the
// record into them and back; every rule about values lives in dialog.cpp.
//
// The template's own headers come before <windows.h>: the table's style
// names are macros there, with the same values.
#pragma once

#include "dialog/dialog_record.h"
#include "dialog/form_screen.h"
#include "dialog/form_template.h"

#include <windows.h>

#include <cstddef>
#include <vector>

namespace zirel {

class FormWindow final : public FormScreen {
 public:
  explicit FormWindow(DialogRecord& dlg) : dlg_(dlg) {}

  // WM_INITDIALOG: takes the form and its controls, which the dialog manager
  // made in template order. False when they do not match the record.
  bool attach(HWND form);
  bool attached() const { return form_ != nullptr; }

  HWND hwnd() const { return form_; }
  DialogRecord& record() const { return dlg_; }
  // Window of the control at this index of the record's table (nullptr for
  // the form's own entry).
  HWND control_at(std::size_t index) const;

  void push(std::size_t index) override;
  void read_back(std::size_t index) override;
  void end(int result) override;

  // WM_COMMAND: a click of a button, a check box or a radio button; Escape
  // and the close box arrive as a click of IDCANCEL.
  void command(int id, int code, HWND control);

 private:
  DialogRecord& dlg_;
  HWND form_ = nullptr;
  std::vector<HWND> controls_;
  std::vector<bool> one_row_;  // statics the template centres vertically, on one row
};

// The form window of a record on screen, else nullptr.
FormWindow* form_window(const DialogRecord& dlg);

// Runs the show hook of form_support.h, if one is waiting (form_support.cpp).
void run_show_hook(DialogRecord& dlg);
bool show_hook_waiting();

}  // namespace zirel
