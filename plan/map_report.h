// What `zirel-plan map` found, and the three ways it tells it: aligned text, JSON
// for scripts, and the grid as CSV for people who plot it themselves.
#pragma once
#include <ostream>
#include <string>
#include <vector>
#include "plan/common_options.h"
#include "planning/direction_grid.h"
#include "planning/small_directions.h"

namespace zirel::plan {

// A mount the map recommends (or the worst), with the lattice directions nearest it.
struct MountAdvice {
  int cell = 0;
  Vec3d direction{};
  int accessible = 0;  // at the grid direction
  NearestLattice uvw, hkl;
  int uvw_accessible = 0, hkl_accessible = 0;  // at the lattice directions themselves
};

// An orientation already measured or planned (--with, --with-hkl).
struct Mount {
  AxisKind kind = AxisKind::UVW;
  Vec3 axis{};
  int accessible = 0;  // alone
};

struct MapResult {
  const PlanParameters* parameters = nullptr;
  const DirectionGrid* grid = nullptr;
  std::vector<int> counts;
  int theory = 0;
  int covered = 0;  // reached by the mounts already made, together
  std::vector<Mount> mounts;
  std::vector<MountAdvice> best;
  MountAdvice worst;
  double mean = 0;  // accessible, averaged over the sphere of axes
};

std::string indices_text(const Indices& i, AxisKind kind);  // "[1 0 -1]" or "(1 0 2)"
std::string mount_text(const Mount& m);                        // "[0 1 0]", "normal of (1 0 2)"
std::string percent(int count, int theory);                    // "38.4"

// The same without the symmetry, as a crystallographer writes it (Å, °, λ), for pictures.
std::string picture_parameters(const PlanParameters& p);

void write_map_text(std::ostream& out, const MapResult& r);
void write_map_json(std::ostream& out, const MapResult& r);
// Polar angle and azimuth in degrees, the Cartesian direction, the count and the completeness.
void write_map_csv(std::ostream& out, const MapResult& r);

}  // namespace zirel::plan
