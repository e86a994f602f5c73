#include "fit_decimals.h"

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

}  // namespace

FitResult fit_decimals(int32_t width, float value) {
  FitResult fit = counted_decimals(width, value);
  if (fit.failed)
    return fit;
  for (int32_t d = fit.decimals; d >= 0; --d)
    if (real_fits(width, d, value))
      return {d, false};
  return {0, true};
}

}  // namespace zirel
