#pragma once
#include <array>
#include <vector>
#include "cartesian.h"

namespace zirel::planning {

// Indices of a lattice direction [U V W] or a plane (h k l).
using Indices = std::array<int, 3>;

// The small-integer direction (or plane normal) nearest an axis, and the angle to it.
struct NearestLattice {
  Indices indices{};
  double angle_deg = 0;
};

// Lattice directions a person can mount by: one of each opposite pair, without a
// common factor, every index within +-max_index, the simplest first.
struct SmallDirections {
  std::vector<Indices> indices;
  std::vector<Vec3d> direct;      // unit vectors of [U V W]
  std::vector<Vec3d> reciprocal;  // unit normals of (h k l)
};

SmallDirections make_small_directions(const CartesianFrame& frame, int max_index = 6);

// Nearest [U V W] and nearest normal of (h k l); on a tie the simpler one.
NearestLattice nearest_direction(const SmallDirections& small, const Vec3d& axis);
NearestLattice nearest_plane_normal(const SmallDirections& small, const Vec3d& axis);

// The same, searched further where the small ones all lie more than within_deg away:
// the simplest indices (largest index at most max_index) within within_deg of the
// axis, else the nearest found. The plane normal along n is (h k l) proportional to
// (a . n, b . n, c . n), the direction [U V W] proportional to (a* . n, b* . n, c* . n)
// (International Tables for Crystallography, Vol. B, 1.1.2), so the candidates of each
// size are those components scaled and rounded.
NearestLattice refined_direction(const CartesianFrame& frame, const SmallDirections& small, const Vec3d& axis,
                                 double within_deg, int max_index = 48);
NearestLattice refined_plane_normal(const CartesianFrame& frame, const SmallDirections& small, const Vec3d& axis,
                                    double within_deg, int max_index = 48);

}  // namespace zirel::planning
