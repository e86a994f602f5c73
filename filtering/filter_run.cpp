#include "filter_run.h"

#include "reflection_layouts.h"
#include "status_texts.h"

namespace zirel {

namespace {

// The next reflection from the file or the generator: IO_OK, IO_END or an error number.
IoStatus next_reflection(InputKind kind, GenerationState* generator, Reflection& r) {
  if (kind != InputKind::Generated)
    return read_reflection(INPUT_UNIT, kind, r);
  if (generator == nullptr)
    return IO_END;
  const std::optional<Miller> m = next_generated_reflection(*generator);
  if (!m)
    return IO_END;
  r = Reflection{};
  r.h = m->h;
  r.k = m->k;
  r.l = m->l;
  return IO_OK;
}

}  // namespace

FilterCounts filter_reflections(const RunSettings& settings, const AccessibilityRun& access,
                                GenerationState* generator, StatusSink& status, bool keep_columns) {
  FilterCounts counts;
  Reflection r;
  for (;;) {
    const IoStatus st = next_reflection(settings.input_kind, generator, r);
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
    if (status.progress_due())
      show_progress(status, counts.records_read);
    if (is_accessible(access, r.h, r.k, r.l) != Accessibility::Accessible)
      continue;
    if (write_reflection(OUTPUT_UNIT, settings.output_kind, r, keep_columns))
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
