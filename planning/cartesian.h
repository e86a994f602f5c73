#pragma once
#include <array>
#include <cmath>
#include "filtering/unit_cell.h"

namespace zirel::planning {

// Directions on the sphere of axes are worked out in double precision: the map
// compares its values with the single-precision test only away from the boundary.
using Vec3d = std::array<double, 3>;

inline double dot(const Vec3d& a, const Vec3d& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
inline double norm(const Vec3d& v) { return std::sqrt(dot(v, v)); }
inline Vec3d scaled(const Vec3d& v, double f) { return {v[0] * f, v[1] * f, v[2] * f}; }
inline Vec3d normalized(const Vec3d& v) { return scaled(v, 1.0 / norm(v)); }
inline Vec3d cross(const Vec3d& a, const Vec3d& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// Angle in degrees between two axes, an axis and its opposite being the same mount.
double axis_angle_deg(const Vec3d& a, const Vec3d& b);

// The same point on the upper hemisphere (z >= 0): an axis and its opposite are one mount.
Vec3d upper(const Vec3d& v);

// A 3x3 matrix by rows.
struct Mat3d {
  std::array<Vec3d, 3> row{};
  Vec3d operator*(const Vec3d& v) const { return {dot(row[0], v), dot(row[1], v), dot(row[2], v)}; }
};

// The crystal in a Cartesian frame: a along x, b in the xy plane, c* along z, the
// usual orthogonalisation (International Tables for Crystallography, Vol. B, 3.3.1).
// With it the map's centre is c* and the direct and reciprocal axes sit where a
// crystallographer expects them.
struct CartesianFrame {
  Mat3d direct;      // columns a, b, c in angstroms
  Mat3d reciprocal;  // columns a*, b*, c* in inverse angstroms
  Vec3d direct_vector(const Vec3d& uvw) const { return direct * uvw; }
  Vec3d reciprocal_vector(const Vec3d& hkl) const { return reciprocal * hkl; }
};

// The cell must not be singular (callers have built its metric already).
CartesianFrame make_frame(const UnitCell& cell);

}  // namespace zirel::planning
