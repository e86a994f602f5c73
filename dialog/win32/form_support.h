// What the shell and the tests need beyond the DLG operations, on Win32: the
// windows of the form on screen, a hook to drive a modal run, and message
// boxes.
#pragma once

#include "dialog_record.h"
#include "form_template.h"

#include <windows.h>

#include <cstddef>
#include <functional>
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

// Runs `script` once, from inside the next DLGMODAL, as soon as its form is
// on screen and its message loop runs. A script clicks with BM_CLICK: the
// bound handler runs synchronously inside that call.
void at_next_show(std::function<void(DialogRecord&)> script);

// A modal error box over `over`, or else over the form being shown, if any.
// A message hook set by set_message_hook receives the text instead (tests).
void show_message_box(std::string_view text, std::string_view title = "Zirel", HWND over = nullptr);
using MessageHook = std::function<void(std::string_view title, std::string_view text)>;
void set_message_hook(MessageHook hook);

}  // namespace zirel
