#pragma once
#include <cstdint>
#include <optional>
#include "filtering/cell_metric.h"
#include "filtering/run_settings.h"

namespace zirel {

struct Miller {
  int h = 0;
  int k = 0;
  int l = 0;
  bool operator==(const Miller&) const = default;
};

// Largest index bound ever used. No index below -999 fits the narrowest index field
// written (I4), and the cap keeps absurd inputs (a 1e18 A edge, a 1e-30 A wavelength)
// from enumerating without end. Below the cap nothing changes.
inline constexpr int INDEX_BOUND_LIMIT = 999;

// One enumeration of the index cube, h slowest and l fastest, each from -n to n.
// Owned by the caller; prepare_generation starts it afresh.
struct GenerationState {
  CellMetric metric;
  float wavelength = 0.0f;
  float two_theta_max = 0.0f;  // degrees
  int index_bound = 0;         // n
  bool bound_limited = false;  // n was cut to INDEX_BOUND_LIMIT
  // Bound on h G* h (in double) that every reflection yielded satisfies; rows of l
  // are only scanned where the exact double form can lie below it.
  double q_limit = 0.0;

  // Position of the enumeration.
  int h = 0;
  int k = 0;
  int l = 0;
  int row_end = 0;  // last l of the current (h, k) row that can lie inside the bound
  bool started = false;
  bool finished = false;
  std::uint64_t visited = 0;  // candidates tested so far
};

// n = (amax * 2.5) sin(Psi max) / lambda, truncated. n is 0 (nothing is generated) for a
// singular cell, a wavelength that is not positive, Psi max of 0 or below, or NaN anywhere.
GenerationState prepare_generation(const RunSettings& settings, const CellMetric& metric);

// The next h k l inside the limiting sphere with 2 theta <= 2 Psi max, or nothing at
// the end. Only scans l where a reflection can qualify; the sequence is exactly
// that of next_enumerated_reflection.
std::optional<Miller> next_generated_reflection(GenerationState& state);

// Reference: visits every candidate of the (2n+1)^3 cube in the same order.
std::optional<Miller> next_enumerated_reflection(GenerationState& state);

}  // namespace zirel
