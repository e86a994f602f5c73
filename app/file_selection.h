// The two Select buttons and the "Generate data" check box: choose a file,
// open it at once on its unit, show its name, derive its layout from the
// name, and update the Run button.
#pragma once

#include "dialog/dialog_record.h"

#include <string_view>

namespace zirel {

inline constexpr std::string_view NO_FILE_TEXT = "No file selected";
inline constexpr std::string_view DUMMY_FILE_TEXT = "Dummy file selected";
inline constexpr std::string_view INPUT_OPEN_ERROR = "ERROR OPENING INPUT DATA FILE";
// An input saved as UTF-16 ("Unicode" in Windows editors): the open error says what to do.
inline constexpr std::string_view INPUT_UTF16_ERROR = "INPUT FILE IS UTF-16 TEXT: SAVE IT AS PLAIN TEXT (ANSI OR UTF-8)";
inline constexpr std::string_view OUTPUT_OPEN_ERROR = "ERROR OPENING OUTPUT DATA FILE";

void on_select_input(DialogRecord& dlg, int id, int event);
void on_select_output(DialogRecord& dlg, int id, int event);
void on_generate(DialogRecord& dlg, int id, int event);

}  // namespace zirel
