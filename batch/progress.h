// The batch tool's status sink: keeps the run's final text for standard output and,
// on a terminal, shows a progress line on standard error.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include "filtering/filter_run.h"

namespace zirel::batch {

class ProgressReporter : public StatusSink {
public:
  // `terminal`: standard error is a terminal and progress is wanted. `generator`:
  // the generation being run, for the percentage done; nullptr when reading a file.
  ProgressReporter(bool terminal, const GenerationState* generator);

  bool progress_due() override;
  void show_status(std::string_view text) override;

  // The last text the run sent (its final status), trailing blanks removed.
  std::string_view final_text() const;
  // Removes the progress line, if one was drawn.
  void clear();

private:
  void draw();

  bool terminal_;
  const GenerationState* generator_;
  int64_t records_ = 0;
  int32_t countdown_ = 1;
  std::chrono::steady_clock::time_point last_draw_;
  bool drawn_ = false;
  std::string text_;
};

}  // namespace zirel::batch
