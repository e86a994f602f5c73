// The dialog layer's record of a loaded form: every control's stored values
// and handlers. The program keeps one, passes it to every DLG operation, and
// every handler receives it as its first argument.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zirel {

class FormScreen;
struct DialogRecord;

// Attribute selectors: the optional last argument of the set and get operations.
constexpr int ATTR_DEFAULT = -1;  // text: contents or caption; logical: checked, else enabled
constexpr int ATTR_TEXT = -2;     // caption of every kind but the edit box
constexpr int ATTR_ENABLED = -3;

// Event kinds passed to handlers.
constexpr int EVENT_INIT = 0;  // form handler, when the form is first shown
constexpr int EVENT_CLICKED = -4;
constexpr int EVENT_DESTROY = -15;  // form handler, when the form window goes

// (record, control id, event kind). A handler may call any DLG operation on
// the record it receives.
using DialogHandler = std::function<void(DialogRecord& dlg, int id, int event)>;

enum class ControlKind { static_text, group_box, push_button, check_box, radio_button, edit_box, form };

struct ControlEntry {
  ControlKind kind = ControlKind::static_text;
  int id = 0;
  bool pending = false;    // stored values differ from the screen
  bool shared_id = false;  // id used by several controls: never set, read or refreshed
  bool enabled = true;
  bool checked = false;          // check box and radio button
  int group_first = -1;          // radio button: indices of its group's first
  int group_last = -1;           //   and last template item
  std::string text;              // caption, label, edit contents or the form's title
  int insertion_point = 0;       // edit box; never beyond the end of the text
  DialogHandler on_click;        // push button, check box, radio button
};

struct DialogRecord {
  int template_id = 0;
  FormScreen* window = nullptr;  // the form on screen, inside DLGMODAL only
  int return_value = 1;          // what DLGMODAL returns
  bool changes_pending = false;
  bool updating_screen = false;  // notifications arriving meanwhile are ignored
  std::vector<ControlEntry> controls;  // template order, then one entry for the form
  DialogHandler form_handler;          // EVENT_INIT and EVENT_DESTROY
};

}  // namespace zirel
