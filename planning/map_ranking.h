#pragma once
#include <span>
#include <vector>
#include "cartesian.h"
#include "direction_grid.h"

namespace zirel::planning {

// The cells of the k best mounts, best first. Each lies at least separation_deg from
// every mount chosen before and from its images under `symmetry` (Cartesian rotations
// of the Laue class), which are the same mount seen from another side of the crystal.
std::vector<int> best_cells(const DirectionGrid& grid, std::span<const int> counts, int k,
                            double separation_deg, std::span<const Mat3d> symmetry);

// The cell with the fewest accessible reflections (the first of equals).
int worst_cell(std::span<const int> counts);

// Mean count over the hemisphere, each cell weighted by its solid angle.
double mean_count(const DirectionGrid& grid, std::span<const int> counts);

}  // namespace zirel::planning
