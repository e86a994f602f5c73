#pragma once
#include <cstdint>
#include <span>
#include <vector>
#include "cartesian.h"
#include "direction_grid.h"

namespace zirel::planning {

// One unique reflection seen from the sphere of axes. With theta >= 0 the rule
// |theta + delta| < Psi max and |theta - delta| < Psi max reads |delta| < Psi max - theta,
// delta being the angle of the scattering vector s against the plane normal to the
// axis n; that is |n . s| < sin(Psi max - theta). The axes that reach one equivalent
// thus form a band about the great circle normal to s, the same for s and -s.
// Integrated over reciprocal space the rule gives the published volume of a conical
// opening, (4 pi / lambda^3) sin(Psi) (Psi - sin(Psi) cos(Psi)), L. Merrill &
// W. A. Bassett, Rev. Sci. Instrum. 45 (1974) 290-294: accessible_volume.h derives it
// and names where it is given.
struct UniqueBands {
  double margin_deg = 0;  // Psi max - theta; not positive (or NaN) when never accessible
  double sin_margin = 0;  // sin(margin), -1 when never accessible, 2 when always
  int first = 0;          // first of its normals in BandSet::normals
  int count = 0;
};

// Every unique reflection of a set with the unit scattering vectors of its equivalents,
// one of each opposite pair.
struct BandSet {
  std::vector<UniqueBands> uniques;
  std::vector<Vec3d> normals;
  int size() const { return static_cast<int>(uniques.size()); }
};

// Adds one unique reflection whose Bragg angle is theta_deg (NaN beyond the limiting
// sphere) and whose equivalents scatter along `scattering` (any length, Friedel mates
// or not: opposite and repeated directions are kept once).
void add_unique(BandSet& set, double theta_deg, double psi_max_deg, std::span<const Vec3d> scattering);

// Accessible unique reflections at the centre of every grid cell. Those flagged in
// `covered` (one flag per unique, or empty) count everywhere: they were reached by a
// mount already made. `threads` workers share the reflections.
std::vector<int> accessible_counts(const DirectionGrid& grid, const BandSet& set,
                                   std::span<const std::uint8_t> covered, int threads);

// The same count at one axis, evaluated reflection by reflection, with the number of
// unique reflections whose decision lies within tolerance_deg of the boundary.
struct AxisCount {
  int accessible = 0;
  int near_boundary = 0;
};
AxisCount count_at(const BandSet& set, const Vec3d& axis, std::span<const std::uint8_t> covered,
                   double tolerance_deg = 0);

// How far inside its boundary unique reflection u lies at the unit axis, in degrees:
// the largest (Psi max - theta) - |delta| of its equivalents; positive when accessible.
double inside_margin(const BandSet& set, int u, const Vec3d& unit_axis);

}  // namespace zirel::planning
