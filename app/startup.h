// The program's start-up and modal run of the main form.
#pragma once

#include "dialog/form_template.h"

namespace zirel {

// Loads the form with `template_id`, binds the shell's handlers, unticks
// "Generate data" and loads the settings into the form. False, with
// " Error: dialog not found" on standard output and nothing else done,
// when there is no such template.
bool start_form(int template_id = MAIN_DIALOG_ID);

// start_form, then the form shown until Exit, then released; the input,
// output and settings units are closed at the end.
void run_program(int template_id = MAIN_DIALOG_ID);

}  // namespace zirel
