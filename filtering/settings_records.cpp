#include "filtering/settings_records.h"

#include <span>
#include "recio/statement.h"

namespace zirel {

namespace {

struct RecordFormats {
  RecordFormat cell{"(6F10.5)"};
  RecordFormat wavelength_psi{"(2F10.5)"};
  RecordFormat axis{"(I5,3F10.5)"};
  RecordFormat layouts{"(2I5)"};
};

const RecordFormats& formats() {
  static const RecordFormats f;
  return f;
}

}  // namespace

void set_default_settings(RunSettings& s) {
  s.cell = UnitCell{5.0f, 5.0f, 5.0f, 90.0f, 90.0f, 90.0f};
  s.axis = {0.0f, 0.0f, 1.0f};
  s.wavelength = 0.7093f;
  s.psi_max = 40.0f;
  s.input_kind = InputKind::Cellex;
  s.output_kind = OutputKind::Cellex;
}

SettingsRead read_settings_records(UnitTable& table, int32_t unit, RunSettings& s) {
  constexpr Branches branches{.err = true, .end = true};
  UnitCell& c = s.cell;
  if (IoStatus st = read_list(table, unit, {c.a, c.b, c.c, c.alpha, c.beta, c.gamma}, branches))
    return {st, 1};
  if (IoStatus st = read_list(table, unit, {s.wavelength, s.psi_max}, branches))
    return {st, 2};
  int32_t axis_kind = int32_t(s.axis_kind);
  IoStatus st = read_list(table, unit, {axis_kind, s.axis}, branches);
  s.axis_kind = AxisKind(axis_kind);
  if (st)
    return {st, 3};
  int32_t input_kind = int32_t(s.input_kind);
  int32_t output_kind = int32_t(s.output_kind);
  st = read_list(table, unit, {input_kind, output_kind}, branches);
  s.input_kind = InputKind(input_kind);
  s.output_kind = OutputKind(output_kind);
  return {st, st ? 4 : 0};
}

void write_settings_records(UnitTable& table, int32_t unit, const RunSettings& s) {
  const RecordFormats& f = formats();
  const UnitCell& c = s.cell;
  write_formatted(table, unit, f.cell, {c.a, c.b, c.c, c.alpha, c.beta, c.gamma});
  write_formatted(table, unit, f.wavelength_psi, {s.wavelength, s.psi_max});
  const int32_t axis_kind = int32_t(s.axis_kind);
  write_formatted(table, unit, f.axis, {axis_kind, std::span<const float>(s.axis)});
  const int32_t input_kind = int32_t(s.input_kind);
  const int32_t output_kind = int32_t(s.output_kind);
  write_formatted(table, unit, f.layouts, {input_kind, output_kind});
}

}  // namespace zirel
