// The Win32 back end's own additions to the dialog API, for the back end
// itself, its tests and tools that drive the form: the windows of the form on
// screen, DLGMODAL over a given owner and a message box over a given window.
// Tests drive a modal run with at_next_show and click with BM_CLICK; the
// bound handler runs synchronously inside that call.
#pragma once

#include "dialog/dialog.h"

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace zirel {

// The form window while `dlg` is shown (inside DLGMODAL), else nullptr.
HWND form_hwnd(const DialogRecord& dlg);

// The window of the control with this id while the form is shown; nullptr
// when not shown, unknown or shared.
HWND control_window(const DialogRecord& dlg, int id);

// The window of the control at this position of the template (unnamed
// controls included) while the form is shown, else nullptr.
HWND control_window_at(const DialogRecord& dlg, std::size_t index);

// A window's text (a control's caption or contents), as UTF-8.
std::string window_text(HWND window);

// DLGMODAL with the form's owner window given.
int DLGMODAL(DialogRecord& dlg, HWND owner);

// show_message_box over `over` (nullptr: over the form being shown, if any).
void show_message_box(std::string_view text, std::string_view title, HWND over);

}  // namespace zirel
