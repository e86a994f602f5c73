#include "plan/measured_input.h"

#include <cstdint>
#include "filtering/filter_run.h"
#include "filtering/reflection_stream.h"
#include "recio/io_error.h"
#include "recio/unit.h"

namespace zirel::plan {

bool read_indices(const std::string& file, const std::function<void(const Miller&)>& each, Refusal& refusal) {
  const InputKind kind = input_kind_for_name(file);
  const IoStatus opened = open_unit(INPUT_UNIT, file, "OLD", "READ", {.err = true});
  if (opened != IO_OK) {
    refusal = {EXIT_USAGE, "--input: cannot open " + file + " (" + io_message(opened, INPUT_UNIT, file) + ")"};
    return false;
  }
  ReflectionFile source(units(), INPUT_UNIT, kind);
  Reflection r;
  std::int64_t records = 0;
  for (;;) {
    const IoStatus st = source.next(r);
    if (st == IO_END)
      break;
    if (st != IO_OK) {
      refusal = {EXIT_READ_ERROR, "--input: " + file + ": the record after record " + std::to_string(records) +
                                      " cannot be read (" + io_message(st, INPUT_UNIT, file) + ")"};
      close_unit(INPUT_UNIT);
      return false;
    }
    if (r.h == 0 && r.k == 0 && r.l == 0)
      break;  // the terminator, or a blank record: the data end here
    ++records;
    each(Miller{r.h, r.k, r.l});
  }
  close_unit(INPUT_UNIT);
  return true;
}

bool read_measurement(const std::string& file, const UniqueSet& set, const Symmetry& symmetry,
                      Measurement& measurement, Refusal& refusal) {
  const ReflectionLookup lookup(set);
  measurement = empty_measurement(set);
  return read_indices(
      file, [&](const Miller& hkl) { add_observation(measurement, lookup, symmetry, hkl); }, refusal);
}

}  // namespace zirel::plan
