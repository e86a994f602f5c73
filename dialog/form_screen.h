// What the DLG operations need from a back end: the form on screen, which
// mirrors the record one control at a time, and the few steps every back
// end's modal run shares. The rules about values live in dialog.cpp, once,
// whatever toolkit draws the form.
#pragma once

#include "dialog/dialog_record.h"

#include <cstddef>
#include <optional>

namespace zirel {

class FormScreen {
 public:
  // Record -> screen for the entry at this index, repainted at once.
  virtual void push(std::size_t index) = 0;
  // Screen -> record: text, enabled, checked state and insertion point.
  virtual void read_back(std::size_t index) = 0;
  // Ends the modal loop with this result.
  virtual void end(int result) = 0;

 protected:
  ~FormScreen() = default;
};

// Index of the first entry with this id in the record's table, unless that
// id is unknown or shared.
std::optional<std::size_t> find_entry(const DialogRecord& dlg, int id);

// A click notification of the control at this index: its handler runs
// (unless the screen is being updated), then the pending values are pushed.
void dispatch_click(DialogRecord& dlg, std::size_t index);

// Whether the record can be shown now: loaded, a template behind it, and
// not already on screen.
bool can_show(const DialogRecord& dlg);

// The record whose form owns a new modal form: the one shown modally, else
// the one whose notification is being processed; nullptr when neither is
// on screen.
DialogRecord* owner_record();

// The modal run around a back end's loop. Once the form window exists,
// form_shown attaches it, pushes every value, calls the form handler with
// EVENT_INIT and pushes what that changed; after the loop, form_closed
// forgets the window and calls it with EVENT_DESTROY. The scope makes the
// record the one shown modally for its lifetime.
class ModalScope {
 public:
  explicit ModalScope(DialogRecord& dlg);
  ~ModalScope();
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;

 private:
  DialogRecord* saved_;
};
void form_shown(DialogRecord& dlg, FormScreen& screen);
void form_closed(DialogRecord& dlg);

}  // namespace zirel
