// The settings file "zirel.dat": the parameters of the last successful run,
// four text records written with fixed formats and read back free-form, so a
// hand-edited file need not keep the columns. It is opened once, by its bare
// name, so it lives in the folder the program started in, and stays connected
// on SETTINGS_UNIT until the program ends.
#pragma once

#include "filtering/settings_records.h"

#include <string>
#include <string_view>

namespace zirel {

inline constexpr std::string_view SETTINGS_UNREADABLE_TEXT = "SETTINGS FILE UNREADABLE: DEFAULTS USED";
inline constexpr std::string_view SETTINGS_NOT_CREATED_TEXT = "SETTINGS FILE CANNOT BE CREATED: DEFAULTS USED";
inline constexpr std::string_view SETTINGS_NOT_SAVED_TEXT = "SETTINGS NOT SAVED";

// Loads the file into the shell's RunSettings; the settings file never
// destroys anything and never stops the program:
// - a missing file is created with the defaults;
// - a regular file that cannot be read as settings (letters, a missing record,
//   a value out of range) is kept as zirel.dat.bak (or .bak2 ... .bak9, never
//   over an older one) and a new file with the defaults takes its place;
// - anything else of that name (a folder, a FIFO, a device, a broken link) is
//   left alone and not read; the defaults are used, and nothing will be saved;
// - a file that can be read but not written (read-only) is read.
// Returns the notice for the status line ("" when the file simply loaded or
// was created).
std::string load_settings();

// Writes the settings into the eleven edit fields in their display formats.
void show_settings();

// load_settings, show_settings, then the first status text (or the notice).
void setup_form();

// Replaces the file's content with the current RunSettings. False when it
// cannot be saved (no usable file, read-only, a full disk); nothing ends.
bool save_settings();

}  // namespace zirel
