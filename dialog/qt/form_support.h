// The Qt back end's own additions to the dialog API, for the back end itself,
// its tests and Qt tools that drive the form: the widgets of the form on
// screen, DLGMODAL over a given owner and a message box over a given widget.
#pragma once

#include "dialog/dialog.h"

#include <cstddef>
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

// DLGMODAL with the form's owner window given.
int DLGMODAL(DialogRecord& dlg, QWidget* owner);

// show_message_box over `over` (nullptr: over the form being shown, if any).
// Tests drive a modal run with at_next_show and click the widgets:
//   at_next_show([](DialogRecord& d) {
//     QTest::mouseClick(control_widget(d, IDC_RUN), Qt::LeftButton);  // handler runs here
//     QTest::mouseClick(control_widget(d, IDCANCEL), Qt::LeftButton);  // ends the form
//   });
//   int result = DLGMODAL(dlg);  // 2
void show_message_box(std::string_view text, std::string_view title, QWidget* over);

}  // namespace zirel
