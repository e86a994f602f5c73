// The status line, the axis-kind labels and the Run button's gating.
#pragma once

#include "dialog/dialog_record.h"

#include <chrono>
#include <string_view>

namespace zirel {

inline constexpr std::string_view SELECT_FILES_TEXT = "Select Files and Set Parameters ";
inline constexpr std::string_view READY_TEXT = "Set Parameters or Run Program";

// Click handler of both axis-kind radio buttons: labels U V W or h k l.
void on_axis_kind(DialogRecord& dlg, int id, int event);

// A role is ready while its file is really open on its unit (or, for the
// input, while "Generate data" is ticked); a run closes both files, so a
// role it used is ready again only after a new selection.
bool input_ready();
bool output_ready();

// Enables Run with "Set Parameters or Run Program" when both roles are ready,
// else disables it with "Select Files and Set Parameters".
void update_run_gating(DialogRecord& dlg);

// Puts `text` (up to 80 characters, trailing blanks dropped) into the status
// line and onto the screen at once, even inside a running handler.
void show_status(std::string_view text);

// Lets the per-record progress text through about 30 times a second, so that
// repainting does not slow a long run; every other text is shown at once.
class ProgressThrottle {
public:
  using Clock = std::chrono::steady_clock;
  static constexpr Clock::duration INTERVAL = std::chrono::milliseconds(33);

  bool due(Clock::time_point now = Clock::now()) {
    if (now - last_ < INTERVAL) return false;
    last_ = now;
    return true;
  }

private:
  Clock::time_point last_{};
};

}  // namespace zirel
