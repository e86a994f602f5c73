// The unique reflections of a crystal up to a resolution limit, each with every
// reflection equivalent to it: the "theory" that completeness is measured against.
#pragma once

#include <vector>
#include "filtering/cell_metric.h"
#include "filtering/generation.h"
#include "planning/symmetry.h"

namespace zirel::planning {

struct UniqueReflection {
  Miller hkl;  // representative in the asymmetric unit
  float d = 0.0f;  // angstroms, as the filtering computes it
  int first_equivalent = 0;  // index into UniqueSet::equivalents
  int equivalent_count = 0;
};

struct UniqueSet {
  std::vector<UniqueReflection> reflections;
  // Flat: every distinct symmetry equivalent of each unique reflection, its
  // representative first, Friedel mates included unless anomalous.
  std::vector<Miller> equivalents;
  bool anomalous = false;
  double d_min = 0;
};

// Every h k l with d >= d_min that is not systematically absent, one per set of
// equivalents: under the Laue class (Friedel mates together) or, when anomalous,
// under the point group (h k l and -h -k -l apart unless the point group joins them).
// d is the filtering's single-precision d-spacing. Empty for a singular cell or a
// d_min that is not positive.
UniqueSet unique_reflections(const Symmetry& symmetry, const CellMetric& metric, double d_min,
                             bool anomalous);

// About how many reflections lie within 1/d_min: the volume of that sphere in units
// of the reciprocal cell's. 0 for a singular cell.
double sphere_reflection_estimate(const CellMetric& metric, double d_min);

// The finest d-spacing the opening lets through: the smallest d whose Bragg angle,
// computed in single precision as the generation computes it, is at most Psi max.
// Every reflection the generation yields has d at or above it.
double opening_d_min(float wavelength, float psi_max);

}  // namespace zirel::planning
