// Converting a computed bound to an integer index: a double outside int's range (or
// NaN) has no integer, and converting it is undefined behaviour, so every bound is
// clamped while it is still a double.
#pragma once

namespace zirel::planning {

// v truncated toward zero, clamped to [lo, hi]; NaN gives lo.
constexpr int clamped_index(double v, int lo, int hi) {
  if (!(v > lo))
    return lo;
  if (!(v < hi))
    return hi;
  return static_cast<int>(v);
}

// The largest index the planning enumerations reach along one axis: far beyond any
// sphere the size limit lets through, and far inside int.
inline constexpr int INDEX_LIMIT = 1000000;

}  // namespace zirel::planning
