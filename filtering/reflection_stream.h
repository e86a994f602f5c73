// Where a run's reflections come from and where the accessible ones go. A source is
// a reflection file of either layout on a unit of the caller's table, or the
// generator; a sink is a reflection file of either layout. A source is usable on its
// own: a program that only reads a file needs no sink.
#pragma once

#include <cstdint>
#include "filtering/generation.h"
#include "filtering/reflection_layouts.h"
#include "filtering/run_settings.h"
#include "recio/io_error.h"
#include "recio/unit.h"

namespace zirel {

class ReflectionSource {
public:
  virtual ~ReflectionSource() = default;
  // The next reflection: IO_OK, IO_END at the end of the data, or the error number
  // of a record that cannot be read.
  virtual IoStatus next(Reflection& r) = 0;
};

// Records of `unit` in `table`, read in the layout `kind` (Cellex or SHELX).
class ReflectionFile : public ReflectionSource {
public:
  ReflectionFile(UnitTable& table, int32_t unit, InputKind kind)
      : table_(table), unit_(unit), kind_(kind) {}
  IoStatus next(Reflection& r) override { return read_reflection(table_, unit_, kind_, r); }

private:
  UnitTable& table_;
  int32_t unit_;
  InputKind kind_;
};

// Every accessible candidate of a prepared generation, with I = sigma(I) = 0. The
// state stays the caller's, so a progress display can look at it during the run.
class GeneratedReflections : public ReflectionSource {
public:
  explicit GeneratedReflections(GenerationState& state) : state_(state) {}
  IoStatus next(Reflection& r) override;

private:
  GenerationState& state_;
};

// Writes reflections to `unit` in `table` in the layout `kind`. `keep_columns`: SHELX
// records keep the input record's columns after 28 (zirel-batch --keep-columns).
class ReflectionSink {
public:
  ReflectionSink(UnitTable& table, int32_t unit, OutputKind kind, bool keep_columns = false)
      : table_(table), unit_(unit), kind_(kind), keep_columns_(keep_columns) {}
  // False, writing nothing, when the reflection does not fit its layout's fields.
  bool write(const Reflection& r) { return write_reflection(table_, unit_, kind_, r, keep_columns_); }
  // Whether records written copy the input's columns after 28.
  bool keeps_columns() const { return keep_columns_ && kind_ == OutputKind::Shelx; }

private:
  UnitTable& table_;
  int32_t unit_;
  OutputKind kind_;
  bool keep_columns_;
};

}  // namespace zirel
