#include "filtering/reflection_layouts.h"

#include <cctype>
#include <cmath>
#include "filtering/fit_decimals.h"
#include "recio/edit.h"
#include "recio/statement.h"

namespace zirel {

namespace {

// Parsed once: a statement walks the item list of its format for every record.
const RecordFormat& cellex_input() {
  static const RecordFormat f("(3I3,F10.0,F6.0,F10.5,I5)");
  return f;
}
const RecordFormat& shelx_input() {
  static const RecordFormat f("(3I4,F8.0,F8.0)");
  return f;
}
const RecordFormat& cellex_output() {
  // The pass-through real is F10.5 (d3 = 5) unless it needs fewer decimals to fit.
  static const RecordFormat f("(3I3,TR1,F9.d1,TR1,F5.d2,F10.d3,I5)");
  return f;
}
const RecordFormat& shelx_output() {
  static const RecordFormat f("(3I4,TR1,F7.d1,TR1,F7.d2)");
  return f;
}

constexpr Branches READ_BRANCHES{.err = true, .end = true};

bool indices_fit(const Reflection& r, int width) {
  return integer_fits(width, r.h) && integer_fits(width, r.k) && integer_fits(width, r.l);
}

// The uncertainty's decimals, or the placeholder when it does not fit.
void fit_uncertainty(int32_t width, float& sigma, int32_t& decimals, float placeholder) {
  const FitResult fit = fit_decimals(width, sigma);
  if (fit.failed) {
    sigma = placeholder;
    decimals = 0;
  } else {
    decimals = fit.decimals;
  }
}

// The writes have no error branch: a record that cannot be written is a fatal report
// that ends the run, so their status, when they return, is always IO_OK.
bool write_shelx(UnitTable& table, int32_t unit, const Reflection& r) {
  const FitResult first = fit_decimals(7, r.intensity);
  if (first.failed || !indices_fit(r, 4))
    return false;
  float sigma = r.sigma_intensity;
  int32_t d2 = 0;
  fit_uncertainty(7, sigma, d2, 999999.0f);
  write_formatted(table, unit, shelx_output(), {r.h, r.k, r.l, r.intensity, sigma},
                  DecimalsSource{{first.decimals, d2}});
  return true;
}

// Decimals for the pass-through real: five, as the layout has it, or fewer for a
// value read from a full ten-column field (12345.6789) that F10.5 would turn into
// asterisks; -1 when it does not fit even without decimals.
int32_t pass_real_decimals(float value) {
  for (int32_t d = 5; d >= 0; --d)
    if (real_fits(10, d, value))
      return d;
  return -1;
}

bool write_cellex(UnitTable& table, int32_t unit, const Reflection& r) {
  Amplitude a = amplitude_of(r);
  const FitResult first = fit_decimals(9, a.f);
  const int32_t d3 = pass_real_decimals(r.pass_real);
  if (first.failed || d3 < 0 || !indices_fit(r, 3))
    return false;
  int32_t d2 = 0;
  fit_uncertainty(5, a.sigma_f, d2, 9999.0f);
  write_formatted(table, unit, cellex_output(),
                  {r.h, r.k, r.l, a.f, a.sigma_f, r.pass_real, r.pass_integer},
                  DecimalsSource{{first.decimals, d2, d3}});
  return true;
}

}  // namespace

IoStatus read_reflection(UnitTable& table, int32_t unit, InputKind kind, Reflection& r) {
  if (kind == InputKind::Cellex) {
    float f = 0.0f, sigma_f = 0.0f;
    const IoStatus st = read_formatted(table, unit, cellex_input(),
                                       {r.h, r.k, r.l, f, sigma_f, r.pass_real, r.pass_integer},
                                       READ_BRANCHES);
    if (st == IO_OK)
      set_from_amplitude(r, f, sigma_f);
    return st;
  }
  r.pass_real = 0.0f;
  r.pass_integer = 0;
  return read_formatted(table, unit, shelx_input(), {r.h, r.k, r.l, r.intensity, r.sigma_intensity},
                        READ_BRANCHES);
}

void set_from_amplitude(Reflection& r, float f, float sigma_f) {
  r.sigma_intensity = (std::fabs(f) * 2.0f) * sigma_f;
  r.intensity = f * f;
}

Amplitude amplitude_of(const Reflection& r) {
  if (!(r.intensity > 0.0f))
    return {0.0f, 1.0f};
  const float f = std::sqrt(r.intensity);
  return {f, (r.sigma_intensity / 2.0f) / f};
}

bool write_reflection(UnitTable& table, int32_t unit, OutputKind kind, const Reflection& r) {
  return kind == OutputKind::Shelx ? write_shelx(table, unit, r) : write_cellex(table, unit, r);
}

bool names_shelx_file(std::string_view name) {
  constexpr std::string_view ext = ".hkl";
  for (size_t i = 0; i + ext.size() <= name.size(); ++i) {
    size_t j = 0;
    while (j < ext.size() && std::tolower(static_cast<unsigned char>(name[i + j])) == ext[j])
      ++j;
    if (j == ext.size())
      return true;
  }
  return false;
}

}  // namespace zirel
