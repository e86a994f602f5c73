// Runs the filtering run on bytes in memory and collects what it produced.
#pragma once

#include <string>
#include <vector>
#include "filtering/cell_metric.h"
#include "filtering/filter_run.h"
#include "filtering/reflection_stream.h"
#include "recio/unit.h"
#include "tests/filtering/run_fixtures.h"

namespace zirel::test {

struct RecordingSink : StatusSink {
  bool want_progress = false;
  std::vector<std::string> texts;
  bool progress_due() override { return want_progress; }
  void show_status(std::string_view text) override { texts.emplace_back(text); }
  // The final text without its trailing blanks.
  std::string final_text() const {
    std::string t = texts.empty() ? std::string() : texts.back();
    return t.substr(0, t.find_last_not_of(' ') + 1);
  }
};

struct FilterResult {
  FilterCounts counts;
  std::string output;
  RecordingSink sink;
};

inline RunSettings cubic_settings(InputKind in, OutputKind out) {
  RunSettings s = settings(CUBIC_10, 0.7093f, 40.0f);
  s.input_kind = in;
  s.output_kind = out;
  return s;
}

inline FilterResult run_filter(const std::string& input, const RunSettings& s,
                               bool want_progress = false) {
  FilterResult r;
  r.sink.want_progress = want_progress;
  const CellMetric metric = build_metric(s.cell);
  const AccessibilityRun access = prepare_accessibility(s, metric);
  UnitTable table;
  table.connect_memory_input(INPUT_UNIT, input);
  table.connect_memory_output(OUTPUT_UNIT, r.output);
  ReflectionSink sink(table, OUTPUT_UNIT, s.output_kind);
  if (s.input_kind == InputKind::Generated) {
    GenerationState generator = prepare_generation(s, metric);
    GeneratedReflections source(generator);
    r.counts = filter_reflections(access, source, sink, r.sink);
  } else {
    ReflectionFile source(table, INPUT_UNIT, s.input_kind);
    r.counts = filter_reflections(access, source, sink, r.sink);
  }
  table.close(INPUT_UNIT);
  table.close(OUTPUT_UNIT);
  return r;
}

}  // namespace zirel::test
