// The filtering run: takes reflections one at a time from a source (a file or the
// generator), keeps the accessible ones and writes them to a sink.
#pragma once

#include <cstdint>
#include <string_view>
#include "filtering/accessibility.h"
#include "filtering/reflection_stream.h"
#include "filtering/run_settings.h"

namespace zirel {

inline constexpr int32_t INPUT_UNIT = 1;   // input reflection file
inline constexpr int32_t OUTPUT_UNIT = 2;  // output reflection file

// Where a run's status texts go: the form's status line, or the batch tool's reporter.
class StatusSink {
public:
  virtual ~StatusSink() = default;
  // Asked before each "PROCESSING REFLECTION" text; the text is composed and shown only when
  // this returns true, so a sink can throttle progress cheaply (it is called once per record).
  virtual bool progress_due() = 0;
  // An 80-character, blank-padded text (longer only when a count needs more than its
  // five columns); the final text of a run always arrives here.
  virtual void show_status(std::string_view text) = 0;
};

struct FilterCounts {
  int32_t records_read = 0;
  int32_t reflections_output = 0;
  int32_t too_large = 0;    // accessible but left out: value or index too wide for its field
  // With kept columns: records left out because those columns hold a CR or LF
  // (a stray CR that hides a record), and the line of the first.
  int32_t stray_cr = 0;
  int32_t first_stray_cr_line = 0;
  bool run_failed = false;  // an input record could not be read
};

// Takes reflections from `source` until its end, a 0 0 0 record or an unreadable record,
// and writes the accessible ones to `sink`; the progress and the final text go to `status`.
FilterCounts filter_reflections(const AccessibilityRun& access, ReflectionSource& source,
                                ReflectionSink& sink, StatusSink& status);

// The layout a file name selects: SHELX when the name contains ".hkl" in any case.
InputKind input_kind_for_name(std::string_view name);
OutputKind output_kind_for_name(std::string_view name);

}  // namespace zirel
