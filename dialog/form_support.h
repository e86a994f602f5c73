// What the shell and the tests need beyond the DLG operations: the widgets of
// the form on screen, a hook to drive a modal run, and message boxes.
#pragma once

#include "dialog_record.h"

#include <cstddef>
#include <functional>
#include <string_view>

class QDialog;
class QWidget;

namespace zirel {

// The form window while `dlg` is shown (inside DLGMODAL), else nullptr.
QDialog* form_widget(const DialogRecord& dlg);

// The widget of the control with this id while the form is shown; nullptr
// when not shown, unknown or shared.
QWidget* control_widget(const DialogRecord& dlg, int id);

// The widget of the control at this position of the template (unnamed
// controls included) while the form is shown, else nullptr.
QWidget* control_widget_at(const DialogRecord& dlg, std::size_t index);

// Runs `script` once, from inside the next DLGMODAL, as soon as its form is
// on screen and its event loop runs. Tests drive a modal run this way:
//   at_next_show([](DialogRecord& d) {
//     QTest::mouseClick(control_widget(d, IDC_RUN), Qt::LeftButton);  // handler runs here
//     QTest::mouseClick(control_widget(d, IDCANCEL), Qt::LeftButton);  // ends the form
//   });
//   int result = DLGMODAL(dlg);  // 2
// Clicks go through the same dispatch as the user's, so bound handlers run
// synchronously inside the click call.
void at_next_show(std::function<void(DialogRecord&)> script);

// Shows a modal error box over `over`, or else over the form being shown, if
// any. Without a QApplication the text goes to standard error. A message hook
// set by set_message_hook receives the text instead (tests).
void show_message_box(std::string_view text, std::string_view title = "Zirel", QWidget* over = nullptr);
using MessageHook = std::function<void(std::string_view title, std::string_view text)>;
void set_message_hook(MessageHook hook);

}  // namespace zirel
