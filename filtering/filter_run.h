// The filtering run: takes reflections one record at a time from the input file or the
// generator, keeps the accessible ones and writes them in the output layout.
#pragma once

#include <cstdint>
#include <string_view>
#include "accessibility.h"
#include "generation.h"
#include "run_settings.h"

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
  bool run_failed = false;  // an input record could not be read
};

// Reads INPUT_UNIT (layout settings.input_kind) or, for InputKind::Generated, takes reflections
// from `generator` (prepared by the caller); writes accessible reflections to OUTPUT_UNIT in
// layout settings.output_kind. Units are those of recio's process-wide table.
// `keep_columns`: SHELX records written keep the input record's columns after 28.
FilterCounts filter_reflections(const RunSettings& settings, const AccessibilityRun& access,
                                GenerationState* generator, StatusSink& status,
                                bool keep_columns = false);

// The layout a file name selects: SHELX when the name contains ".hkl" in any case.
InputKind input_kind_for_name(std::string_view name);
OutputKind output_kind_for_name(std::string_view name);

}  // namespace zirel
