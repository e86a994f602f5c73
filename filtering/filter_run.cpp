#include "filtering/filter_run.h"

#include "filtering/reflection_layouts.h"
#include "filtering/status_texts.h"

namespace zirel {

FilterCounts filter_reflections(const AccessibilityRun& access, ReflectionSource& source,
                                ReflectionSink& sink, StatusSink& status) {
  FilterCounts counts;
  Reflection r;
  for (;;) {
    const IoStatus st = source.next(r);
    if (st == IO_END)
      break;
    if (st != IO_OK) {
      show_read_error(status, counts.records_read);
      counts.run_failed = true;
      return counts;
    }
    ++counts.records_read;
    if (r.h == 0 && r.k == 0 && r.l == 0)
      break;  // the terminator, or a blank record: the data end here
    // Copied, the CR would smuggle the record it hides into the output unfiltered.
    if (sink.keeps_columns() && r.extra_columns.find_first_of("\r\n") != std::string_view::npos) {
      if (counts.stray_cr++ == 0)
        counts.first_stray_cr_line = counts.records_read;
      continue;
    }
    if (status.progress_due())
      show_progress(status, counts.records_read);
    if (is_accessible(access, r.h, r.k, r.l) != Accessibility::Accessible)
      continue;
    if (sink.write(r))
      ++counts.reflections_output;
    else
      ++counts.too_large;
  }
  show_completed(status, counts);
  return counts;
}

InputKind input_kind_for_name(std::string_view name) {
  return names_shelx_file(name) ? InputKind::Shelx : InputKind::Cellex;
}

OutputKind output_kind_for_name(std::string_view name) {
  return names_shelx_file(name) ? OutputKind::Shelx : OutputKind::Cellex;
}

}  // namespace zirel
