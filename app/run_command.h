// The Run button: the form's parameters into RunSettings, the cell's metric,
// the filtering run, then either the problem report or the two files closed
// and the settings saved.
#pragma once

#include "dialog/dialog_record.h"
#include "filtering/filter_run.h"
#include "app/status_line.h"

namespace zirel {

// Width of the text each edit field is fetched into before it is read.
inline constexpr int FIELD_TEXT_LENGTH = 20;
inline constexpr std::string_view RUN_PROBLEM_TEXT = "PROBLEM IN RUNNING PROGRAM";

// The run's messages in the form's status line, the per-record progress
// throttled to about 30 a second.
class FormStatus : public StatusSink {
public:
  bool progress_due() override { return throttle_.due(); }
  void show_status(std::string_view text) override { zirel::show_status(text); }

private:
  ProgressThrottle throttle_;
};

void on_run(DialogRecord& dlg, int id, int event);

}  // namespace zirel
