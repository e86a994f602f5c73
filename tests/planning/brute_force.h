// Reference answers computed the slow, obvious way straight from gemmi's group
// operations, with none of the asymmetric-unit logic under test.
#pragma once

#include <array>
#include <string>
#include <vector>
#include "filtering/cell_metric.h"
#include "filtering/generation.h"

namespace zirel::planning::testing {

using Index = std::array<int, 3>;  // h k l, ordered as arrays are
using Orbit = std::vector<Index>;  // sorted

struct BruteForceCase {
  std::string group;      // gemmi name of the space group whose operations are applied
  UnitCell cell;
  double d_min = 0;
  bool anomalous = false;
  bool absences = true;   // false: every reflection present, as for a Laue class alone
};

// Every h k l with single-precision d >= d_min (not absent), grouped into orbits by
// applying every operation (and -1 unless anomalous). Orbits sorted, in sorted order.
std::vector<Orbit> brute_force_orbits(const BruteForceCase& c);

// Sorts the members of each orbit, then the orbits.
void sort_orbits(std::vector<Orbit>& orbits);

}  // namespace zirel::planning::testing
