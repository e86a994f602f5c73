#include "filtering/fit_decimals.h"

#include <cmath>
#include "recio/edit.h"

namespace zirel {

namespace {

float power_of_ten(int32_t exponent) {
  float p = 1.0f;
  for (int32_t i = 0; i < exponent; ++i)
    p = p * 10.0f;
  return p;
}

double power_of_ten_double(int32_t exponent) {
  double p = 1.0;
  for (int32_t i = 0; i < exponent; ++i)
    p = p * 10.0;
  return p;
}

// The count the digit-counting rule gives, before it is checked against the field.
FitResult counted_decimals(int32_t width, float value) {
  float v = value + 0.001f;
  const bool negative = !(v > 0.0f);
  const float limit = power_of_ten(negative ? width - 2 : width - 1) - 1.0f;
  if (negative)
    v = std::fabs(v);
  if (v > limit)
    return {0, true};
  int32_t count = 1;
  do {
    v = v / 10.0f;
    count = count + 1;
  } while (v > 1.0f);
  if (negative)
    count = count + 1;
  const int32_t decimals = width - count;
  return {decimals, decimals < 0};
}

// Whether `value` certainly fits F<width>.<decimals>: its rounded magnitude stays below
// the largest integer part the field leaves room for. Decided in
// double, where every float is exact; the margin keeps the few cases near the boundary
// for the exact check.
bool surely_fits(int32_t width, int32_t decimals, float value) {
  const int32_t integer_digits = width - 1 - decimals - (std::signbit(value) ? 1 : 0);
  if (integer_digits < 1 || decimals > 15)
    return false;
  const double room = power_of_ten_double(integer_digits);
  const double half_unit = 0.5 / power_of_ten_double(decimals);
  return std::fabs(static_cast<double>(value)) + half_unit < room * (1.0 - 1e-9);
}

}  // namespace

FitResult fit_decimals(int32_t width, float value) {
  if (!std::isfinite(value))
    return {0, true};  // the record layer would spell it out, but it is no measurement
  FitResult fit = counted_decimals(width, value);
  if (fit.failed)  // the +0.001 step can refuse a value that fits without decimals (9999 in 5)
    return real_fits(width, 0, value) ? FitResult{0, false} : FitResult{0, true};
  if (surely_fits(width, fit.decimals, value))
    return fit;
  for (int32_t d = fit.decimals; d >= 0; --d)
    if (real_fits(width, d, value))
      return {d, false};
  return {0, true};
}

}  // namespace zirel
