// The completeness of every mount of a prepared plan: the map over the hemisphere of
// axes, the best mounts as lattice directions, the worst, and the mounts already made.
// Plain values: counts per grid cell and numbers a caller can hand on as arrays.
#pragma once

#include <algorithm>
#include <vector>
#include "planning/direction_grid.h"
#include "planning/prepare_plan.h"
#include "planning/small_directions.h"

namespace zirel::planning {

// A mount the map recommends (or the worst), with the lattice directions nearest it.
struct MountAdvice {
  int cell = 0;
  Vec3d direction{};
  int accessible = 0;  // at the grid direction
  NearestLattice uvw, hkl;
  int uvw_accessible = 0, hkl_accessible = 0;  // at the lattice directions themselves
  // What sets a best mount's rank: the better of its two lattice directions, which are
  // what a person mounts by, evaluated exactly.
  int rank_accessible() const { return std::max(uvw_accessible, hkl_accessible); }
};

// An orientation already measured or planned, with what it reaches alone.
struct Mount {
  AxisKind kind = AxisKind::UVW;
  Vec3 axis{};
  int accessible = 0;
};

struct MapResult {
  DirectionGrid grid;
  std::vector<int> counts;  // accessible unique reflections per grid cell
  int theory = 0;           // unique reflections up to d min
  int covered = 0;          // reached by the mounts already made, together
  std::vector<Mount> mounts;
  std::vector<MountAdvice> best;
  MountAdvice worst;   // the grid's worst cell, or a lattice direction worse than it
  int best_accessible = 0;  // the most over the grid and the lattice directions evaluated exactly
  double mean = 0;  // accessible, averaged over the sphere of axes
};

// The map of a plan prepared for PlanCommand::map. `threads` workers share the
// reflections; 0 takes the machine's cores (at most 8).
MapResult plan_map(const PreparedPlan& plan, int threads = 0);

}  // namespace zirel::planning
