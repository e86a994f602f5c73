// The shell's process-wide records: the one RunSettings, the form's record,
// the unit numbers, the two file-role states, the kept names and path
// buffers, and the run-problem flag. The click handlers receive only the
// form's record, so everything else they share lives here, in one place.
#pragma once

#include "dialog/dialog.h"
#include "filtering/filter_run.h"
#include "filtering/run_settings.h"
#include "filtering/settings_records.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace zirel {

// Longest path a role accepts; a longer one is refused like a failed open.
inline constexpr std::size_t PATH_LENGTH = 512;

struct ShellState {
  DialogRecord dlg;          // the form, loaded at start-up
  RunSettings run_settings;  // filled by the settings file and by every run
  // 0 no input chosen; 1 an input file was opened on INPUT_UNIT; -1 "Generate data".
  int32_t input_state = 0;
  // 0 no output chosen; 1 an output file was opened on OUTPUT_UNIT.
  int32_t output_open = 0;
  std::string input_name;   // the chosen file's name without its folder, as shown
  std::string output_name;
  std::string input_path;   // full path of the role's last chosen file; the file
  std::string output_path;  //   dialog opens in its folder and proposes its name
  int32_t run_failed = 0;   // the last run met an unreadable input record
};

ShellState& shell_state();

// Disconnects the input, output and settings units, whatever they hold.
void close_shell_units();

// close_shell_units, then every record back to its initial value (the form's
// record must be released first). For tests, which start the shell many times
// in one process.
void reset_shell_state();

}  // namespace zirel
