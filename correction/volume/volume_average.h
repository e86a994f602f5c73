// The volume average V(u_in, u_out): the mean over the crystal's volume of the
// product of the two paths' transmissions through the gasket and the crystal itself.
#pragma once

#include "correction/volume/geometry.h"

namespace zirel::correction {

// Gauss-Legendre points per piece: along the axis, across the crystal, and along
// each chord. Chords and the lines across are cut where the shadow of the hole's wall
// (and a change of the face a path leaves the crystal by) crosses them, so that each
// piece is smooth and a discontinuous integrand (an opaque gasket) is integrated
// exactly up to its edge.
struct VolumeGrid {
  int along_axis = 10;
  int across = 10;
  int along_chord = 8;
};

// Both beams point away from the crystal (unit vectors in the DAC frame). Exactly 1
// when neither the gasket nor the crystal's own μ is described. Exact short cuts
// first (a beam an opaque wall blocks from every point of the crystal: 0; a beam that
// meets the wall from no point: the wall drops out of its factor; for a plate whose
// beams both meet no wall, the crystal's own absorption integrated along the axis in
// closed form, see crystal_average.h), then the grid.
double volume_average(const PreparedVolume& v, const Vec3& u_in, const Vec3& u_out,
                      const VolumeGrid& grid = {});

// The grid alone, every cut for both beams and no short cut: the reference the faster
// paths are tested against.
double volume_average_direct(const PreparedVolume& v, const Vec3& u_in, const Vec3& u_out,
                             const VolumeGrid& grid = {});

}  // namespace zirel::correction
