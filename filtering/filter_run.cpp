#include "filtering/filter_run.h"

#include <array>
#include "recio/statement.h"
#include "filtering/reflection_layouts.h"

namespace zirel {

namespace {

using StatusText = std::array<char, 80>;

const RecordFormat& progress_format() {
  static const RecordFormat f("('PROCESSING REFLECTION ',I5)");
  return f;
}
const RecordFormat& completed_format() {
  static const RecordFormat f("('PROGRAM COMPLETED: ',I5,' REFLECTIONS INPUT',I5,' OUTPUT')");
  return f;
}
// Only when some accessible reflections could not be written: the file holds fewer
// than were found, and the text says so.
const RecordFormat& completed_short_format() {
  static const RecordFormat f(
      "('PROGRAM COMPLETED: ',I5,' REFLECTIONS INPUT',I5,' OUTPUT',I5,' TOO LARGE TO WRITE')");
  return f;
}
const RecordFormat& read_error_format() {
  static const RecordFormat f("('  ERROR READING FILE AFTER LINE ',I5)");
  return f;
}

void show(StatusSink& status, const RecordFormat& format, IoList values) {
  StatusText text;
  write_internal(text, format, values);
  status.show_status(std::string_view(text.data(), text.size()));
}

void show_completed(StatusSink& status, const FilterCounts& c) {
  if (c.too_large > 0)
    show(status, completed_short_format(), {c.records_read, c.reflections_output, c.too_large});
  else
    show(status, completed_format(), {c.records_read, c.reflections_output});
}

}  // namespace

FilterCounts filter_reflections(const AccessibilityRun& access, ReflectionSource& source,
                                ReflectionSink& sink, StatusSink& status) {
  FilterCounts counts;
  Reflection r;
  for (;;) {
    const IoStatus st = source.next(r);
    if (st == IO_END)
      break;
    if (st != IO_OK) {
      show(status, read_error_format(), {counts.records_read});
      counts.run_failed = true;
      return counts;
    }
    ++counts.records_read;
    if (r.h == 0 && r.k == 0 && r.l == 0)
      break;  // the terminator, or a blank record: the data end here
    if (status.progress_due())
      show(status, progress_format(), {counts.records_read});
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
