// The settings file "zirel.dat": the parameters of the last successful run,
// four text records written with fixed formats and read back free-form, so a
// hand-edited file need not keep the columns. It is opened once, by its bare
// name, so it lives in the folder the program started in, and stays connected
// on SETTINGS_UNIT until the program ends.
#pragma once

#include "filtering/settings_records.h"

namespace zirel {

// Loads the file into the shell's RunSettings. A missing, unreadable or
// truncated file is replaced by the defaults, which are then loaded. A file
// that cannot be created ends the program with the record I/O report.
void load_settings();

// Writes the settings into the eleven edit fields in their display formats.
void show_settings();

// load_settings, show_settings, then the first status text.
void setup_form();

// Replaces the file's content with the current RunSettings.
void save_settings();

}  // namespace zirel
