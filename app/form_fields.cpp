#include "app/form_fields.h"

#include "dialog/form_template.h"
#include "recio/recio.h"

#include <cmath>
#include <cstdint>
#include <memory>

namespace zirel {

const std::array<FormField, 11> FORM_FIELDS{{
    {IDC_WAVELENGTH, "WAVELENGTH", "(F6.4)", [](RunSettings& s) -> float& { return s.wavelength; }},
    {IDC_PSI_MAX, "PSI MAX", "(F6.3)", [](RunSettings& s) -> float& { return s.psi_max; }},
    {IDC_CELL_A, "CELL A", "(F10.5)", [](RunSettings& s) -> float& { return s.cell.a; }},
    {IDC_CELL_B, "CELL B", "(F10.5)", [](RunSettings& s) -> float& { return s.cell.b; }},
    {IDC_CELL_C, "CELL C", "(F10.5)", [](RunSettings& s) -> float& { return s.cell.c; }},
    {IDC_CELL_ALPHA, "CELL ALPHA", "(F10.5)", [](RunSettings& s) -> float& { return s.cell.alpha; }},
    {IDC_CELL_BETA, "CELL BETA", "(F10.5)", [](RunSettings& s) -> float& { return s.cell.beta; }},
    {IDC_CELL_GAMMA, "CELL GAMMA", "(F10.5)", [](RunSettings& s) -> float& { return s.cell.gamma; }},
    {IDC_AXIS_U, "AXIS U", "(I3)", [](RunSettings& s) -> float& { return s.axis[0]; }},
    {IDC_AXIS_V, "AXIS V", "(I3)", [](RunSettings& s) -> float& { return s.axis[1]; }},
    {IDC_AXIS_W, "AXIS W", "(I3)", [](RunSettings& s) -> float& { return s.axis[2]; }},
}};

namespace {

// Each field's format, parsed once.
const RecordFormat& parsed_format(const FormField& field) {
  static const auto formats = [] {
    std::array<std::unique_ptr<RecordFormat>, FORM_FIELDS.size()> f;
    for (size_t i = 0; i < f.size(); ++i) f[i] = std::make_unique<RecordFormat>(FORM_FIELDS[i].format);
    return f;
  }();
  return *formats[static_cast<size_t>(&field - FORM_FIELDS.data())];
}

// Truncated toward zero for an I3 field; anything beyond the int range would
// not fit three columns either, so it is clamped to show as asterisks.
int32_t truncated(float v) {
  if (!(std::fabs(v) < 1.0e9f)) return 1000000000;
  return int32_t(std::trunc(v));
}

}  // namespace

std::string displayed_text(const FormField& field, const RunSettings& settings) {
  std::array<char, 10> text;
  const float value = field.value(settings);
  if (field.integer()) {
    const int32_t component = truncated(value);
    write_internal(text, parsed_format(field), {component});
  } else {
    write_internal(text, parsed_format(field), {value});
  }
  return std::string(text.data(), text.size());
}

}  // namespace zirel
