// Crystals for the orientation-map tests, each built into its unique set and the
// map's view of it.
#pragma once
#include <ostream>
#include <string>
#include "filtering/cell_metric.h"
#include "planning/cartesian.h"
#include "planning/map_input.h"
#include "planning/unique_set.h"

namespace zirel::planning::test {

struct Crystal {
  const char* group;
  UnitCell cell;
  float wavelength;
  float psi_max;
  double d_min;
  bool anomalous = false;
};
// Named by what a reader of the test list knows it by, not by its bytes.
inline void PrintTo(const Crystal& c, std::ostream* os) { *os << c.group; }

// One of each crystal family, small enough for many directions per test.
inline const Crystal CRYSTALS[] = {
    {"P21/c", {7.512f, 9.874f, 11.236f, 90, 103.47f, 90}, 0.7093f, 35, 0.9},
    {"P-1", {5.1f, 6.2f, 7.3f, 80, 95, 105}, 0.71073f, 35, 0.9},
    {"Pbca", {8, 9, 10, 90, 90, 90}, 0.71073f, 38, 1.0},
    {"P212121", {5.3f, 6.5f, 7.7f, 90, 90, 90}, 0.71073f, 35, 0.9, true},
    {"P4/m", {6, 6, 12, 90, 90, 90}, 0.71073f, 35, 0.9},
    {"R-3:H", {5, 5, 14, 90, 90, 120}, 0.56087f, 40, 0.6},
    {"P6/mmm", {6, 6, 9, 90, 90, 120}, 0.71073f, 35, 0.7},
    {"Fm-3m", {8.2f, 8.2f, 8.2f, 90, 90, 90}, 0.56087f, 40, 0.5},
};

struct Built {
  Symmetry symmetry;
  CellMetric metric;
  UniqueSet set;
  CartesianFrame frame;
  BandSet bands;
};

inline Built build(const Crystal& c) {
  std::string refusal;
  Built b{*symmetry_of_space_group(c.group, c.cell, refusal), build_metric(c.cell), {}, make_frame(c.cell), {}};
  b.set = unique_reflections(b.symmetry, b.metric, c.d_min, c.anomalous);
  b.bands = make_band_set(b.set, b.frame, c.wavelength, c.psi_max);
  return b;
}

inline RunSettings settings_at(const Crystal& c, AxisKind kind, const Vec3& axis) {
  RunSettings s;
  s.cell = c.cell;
  s.wavelength = c.wavelength;
  s.psi_max = c.psi_max;
  s.axis_kind = kind;
  s.axis = axis;
  return s;
}

// Decisions within this angle of the boundary may differ between the map's double
// precision and the filtering's single-precision test.
inline constexpr double BOUNDARY_DEG = 1e-4;

}  // namespace zirel::planning::test
