#pragma once
#include <random>
#include "filtering/run_settings.h"

namespace zirel::test {

inline RunSettings settings(UnitCell cell, float wavelength, float psi_max, AxisKind kind = AxisKind::UVW,
                            Vec3 axis = {0, 0, 1}) {
  RunSettings s;
  s.cell = cell;
  s.wavelength = wavelength;
  s.psi_max = psi_max;
  s.axis_kind = kind;
  s.axis = axis;
  return s;
}

inline constexpr UnitCell CUBIC_10{10, 10, 10, 90, 90, 90};
inline constexpr UnitCell HEXAGONAL{5, 5, 8, 90, 90, 120};
inline constexpr UnitCell MONOCLINIC{35, 12, 9, 90, 103.5f, 90};

// A triclinic cell with edges 2-40 A and angles 60-120 degrees.
inline UnitCell random_cell(std::mt19937& rng) {
  std::uniform_real_distribution<float> edge(2.0f, 40.0f), angle(60.0f, 120.0f);
  return {edge(rng), edge(rng), edge(rng), angle(rng), angle(rng), angle(rng)};
}

}  // namespace zirel::test
