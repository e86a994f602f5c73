// The dialog layer as the shell sees it, whatever draws the form: load a form
// template into a DialogRecord, set and read the controls by id, attach click
// handlers, show the form modally; the file chooser, the message box and the
// start-up of the windowing system. This header and those it includes are all a
// shell may use; each back end (dialog/qt/ today) implements them.
//
// Deferred update: while the form is on screen, a set operation made from
// outside a handler reaches the screen at once; one made inside a handler is
// stored and pushed when the handler returns, or earlier by DLGREFRESH. While
// the form is not shown, values are stored and pushed when it is shown.
// Text rules: trailing blanks of a text set are dropped, leading blanks kept;
// a text fetched into a fixed-length variable is cut or blank-padded to it.
// Logical values: the lowest bit of the value passed counts.
#pragma once

#include "dialog/dialog_record.h"
#include "dialog/file_chooser.h"
#include "dialog/form_template.h"

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zirel {

// False when no form template has this id; the record is then unusable.
bool DLGLOAD(int template_id, DialogRecord& dlg);

// Attaches `handler` to a push button, check box or radio button (event absent
// or EVENT_CLICKED), replacing a push button's default of closing the form
// with its id as result; or, for the form's own id, sets the form handler.
// False for statics, group boxes, edit boxes, unknown and shared ids.
bool DLGBINDSUB(DialogRecord& dlg, int id, DialogHandler handler,
                std::optional<int> event = std::nullopt);

bool DLGPUTLOG(DialogRecord& dlg, int id, int value, int selector = ATTR_DEFAULT);
bool DLGPUTCHAR(DialogRecord& dlg, int id, std::string_view text, int selector = ATTR_DEFAULT);

// On failure (unknown or shared id, selector the kind lacks) `out` is untouched.
bool DLGFETCHLOG(DialogRecord& dlg, int id, bool& out, int selector = ATTR_DEFAULT);
bool DLGFETCHCHAR(DialogRecord& dlg, int id, std::span<char> out, int selector = ATTR_DEFAULT);

// Pushes the pending values (every value with `all_controls`) to the screen
// and repaints them at once, even while a handler is still running.
void DLGREFRESH(DialogRecord& dlg, bool all_controls = false);

// Shows the form and processes input until DLGEXIT; returns the record's
// return value, or -1 when the form window cannot be made (the windowing
// system not started, record not loaded, or the record already on screen).
// The owner is the form being shown, if any (a back end may take one more).
int DLGMODAL(DialogRecord& dlg);

// Reads every control back into the record and ends the form.
void DLGEXIT(DialogRecord& dlg);

// Frees every stored text, value and handler; the record is unloaded.
void DLGRELEASE(DialogRecord& dlg);

// The two process-wide references: the record whose notification is being
// processed and the record being shown modally (nullptr when none).
DialogRecord* notifying_record();
DialogRecord* modal_record();

// How the layer classifies a template control; nullopt for a class or
// style it does not support.
std::optional<ControlKind> control_kind(const ControlTemplate& control);

// "Invalid style BS_OWNERDRAW used for control 1019" for an unsupported
// control, empty for a supported one.
std::string invalid_style_message(const ControlTemplate& control);

// Starts the windowing system, runs `program` (which shows its forms with
// DLGMODAL) and returns the exit status for main.
int run_dialog_program(int argc, char** argv, const std::function<void()>& program);

// Runs `script` once, from inside the next DLGMODAL, as soon as its form is on
// screen and takes input. Tests and scripted runs drive a modal form this way.
void at_next_show(std::function<void(DialogRecord&)> script);

// Shows a modal error box over the form being shown, if any, and waits for OK.
// Without a windowing system the text goes to standard error. A message hook
// set by set_message_hook receives the text instead (tests).
void show_message_box(std::string_view text, std::string_view title = "Zirel");
using MessageHook = std::function<void(std::string_view title, std::string_view text)>;
void set_message_hook(MessageHook hook);

// Reports "Error in Dialog Procedures - " + message and ends the program.
[[noreturn]] void dialog_runtime_error(std::string_view message);

}  // namespace zirel
