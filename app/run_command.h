// The Run button: the form's parameters into RunSettings, the cell's metric,
// the filtering run, then either the problem report or the two files closed
// and the settings saved.
#pragma once

#include "dialog/dialog_record.h"
#include "filtering/filter_run.h"
#include "app/status_line.h"

#include <string>

namespace zirel {

// Width of the text each edit field is fetched into before it is read.
inline constexpr int FIELD_TEXT_LENGTH = 20;
inline constexpr std::string_view RUN_PROBLEM_TEXT = "PROBLEM IN RUNNING PROGRAM";

// The run's messages in the form's status line, the per-record progress
// throttled to about 30 a second. The last one is kept: the shell adds to it.
class FormStatus : public StatusSink {
public:
  bool progress_due() override { return throttle_.due(); }
  void show_status(std::string_view text) override {
    last_.assign(text.substr(0, text.find_last_not_of(' ') + 1));
    zirel::show_status(text);
  }
  // The last text shown, without its trailing blanks.
  const std::string& last_text() const { return last_; }

private:
  ProgressThrottle throttle_;
  std::string last_;
};

void on_run(DialogRecord& dlg, int id, int event);

}  // namespace zirel
