#pragma once
#include <vector>
#include "cartesian.h"
#include "filtering/accessibility.h"
#include "orientation_map.h"
#include "symmetry.h"
#include "unique_set.h"

namespace zirel::planning {

// The unique set as the map sees it: each unique reflection's Bragg angle and the
// Cartesian scattering vectors of its equivalents.
BandSet make_band_set(const UniqueSet& set, const CartesianFrame& frame, double wavelength, double psi_max);

// The Laue class's rotations acting on Cartesian axis directions: a reflection h goes
// to h M, so its scattering vector B h to B M h and an axis n to (B M B^-1) n.
std::vector<Mat3d> cartesian_symmetry(const Symmetry& symmetry, const CartesianFrame& frame);

// Every rotation of the sphere of axes that leaves the map unchanged: the Laue class's,
// and those of the lattice's own metric (the mirrors of a tetragonal lattice for 4/m,
// say) that carry every set of equivalents onto another, absences included. Only
// these are the same mount seen from another side of the crystal.
std::vector<Mat3d> map_symmetry(const Symmetry& symmetry, const UniqueSet& set, const CartesianFrame& frame);

// The Cartesian direction of the axis of a run: [U V W] in direct space, or the
// normal of (h k l).
Vec3d axis_direction(const CartesianFrame& frame, AxisKind kind, const Vec3& axis);

}  // namespace zirel::planning
