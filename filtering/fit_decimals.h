#pragma once
#include <cstdint>

namespace zirel {

struct FitResult {
  int32_t decimals = 0;
  bool failed = false;  // the value cannot be shown in the field at all
};

// The largest decimal count with which `value` still fills an F field of `width`
// columns, counting one column for the point and one for a minus sign. The 0.001
// added first lets a value just below a power of ten count as that power, so that
// its rounded form still fits.
//
// The count is checked against the field as it will be written: the +0.001 step and
// single-precision rounding can pick one decimal too many (100000.0 in seven columns),
// and then the largest smaller count that fits is taken. It fails only when the value
// does not fit even without decimals (or is not a finite number).
FitResult fit_decimals(int32_t width, float value);

}  // namespace zirel
