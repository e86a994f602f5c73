#include "correction/volume/paths.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zirel::correction {
namespace {

constexpr double INF = std::numeric_limits<double>::infinity();

// Distance along u from (px, py), inside the circle of radius r about the origin, to
// the circle: the positive root of |p + s u|^2 = r^2, a quadratic in s (a s^2 + 2 b s
// + c = 0 with c <= 0). INF when u has no component in the plane.
double exit_circle(double px, double py, double ux, double uy, double r) {
  const double a = ux * ux + uy * uy;
  if (a == 0)
    return INF;
  const double b = px * ux + py * uy;
  const double c = std::min(0.0, px * px + py * py - r * r);
  const double disc = std::sqrt(b * b - a * c);
  // The two forms of the root avoid cancellation (Press et al., Numerical Recipes,
  // 3rd ed., 2007, section 5.6, "quadratic and cubic equations").
  return b > 0 ? -c / (b + disc) : (disc - b) / a;
}

// Distance along u to the plane it leaves through (z_high going up, z_low going
// down), INF when parallel.
double exit_plane(double z, double uz, double z_low, double z_high) {
  if (uz > 0)
    return std::max(0.0, (z_high - z) / uz);
  if (uz < 0)
    return std::max(0.0, (z_low - z) / uz);
  return INF;
}

double slab(double q, double u, double half) {
  if (u > 0)
    return std::max(0.0, (half - q) / u);
  if (u < 0)
    return std::max(0.0, (-half - q) / u);
  return INF;
}

}  // namespace

double wall_distance(const PreparedVolume& v, double x, double y, const Vec3& u) {
  return exit_circle(x, y, u.x, u.y, v.hole_radius);
}

double gasket_path(const PreparedVolume& v, const Vec3& p, const Vec3& u) {
  if (!v.gasket.present)
    return 0;
  const double to_culet = exit_plane(p.z, u.z, 0, v.chamber);
  const double to_wall = wall_distance(v, p.x, p.y, u);
  return to_wall >= to_culet ? 0 : to_culet - to_wall;
}

double side_path(const PreparedVolume& v, double X, double Y, const Vec3& u) {
  switch (v.crystal.shape) {
  case CrystalShape::plate:
    return exit_circle(X, Y, u.x, u.y, v.half_a);
  case CrystalShape::box:
    return std::min(slab(X, u.x, v.half_a), slab(Y, u.y, v.half_b));
  default:
    return 0;
  }
}

double crystal_path(const PreparedVolume& v, const Vec3& p, const Vec3& u) {
  const Crystal& c = v.crystal;
  const double qx = p.x - c.offset_x, qy = p.y - c.offset_y;
  switch (c.shape) {
  case CrystalShape::plate:
    return std::min(exit_plane(p.z, u.z, v.z_low, v.z_high), side_path(v, qx, qy, u));
  case CrystalShape::box: {
    // Into the box's own frame: edge a along x', edge b along y'.
    const double ax = v.cos_angle * qx + v.sin_angle * qy, ay = -v.sin_angle * qx + v.cos_angle * qy;
    const double ux = v.cos_angle * u.x + v.sin_angle * u.y, uy = -v.sin_angle * u.x + v.cos_angle * u.y;
    return std::min(exit_plane(p.z, u.z, v.z_low, v.z_high), side_path(v, ax, ay, {ux, uy, u.z}));
  }
  default:
    return 0;
  }
}

bool crystal_path_is_linear(const PreparedVolume& v, const Vec3& p, const Vec3& u) {
  if (v.crystal.shape != CrystalShape::plate)
    return true;
  const double qx = p.x - v.crystal.offset_x, qy = p.y - v.crystal.offset_y;
  return exit_plane(p.z, u.z, v.z_low, v.z_high) <= exit_circle(qx, qy, u.x, u.y, v.half_a);
}

double path_exponent(const PreparedVolume& v, const Vec3& p, const Vec3& u, bool gasket) {
  double exponent = 0;
  if (gasket && v.gasket.present) {
    const double lg = gasket_path(v, p, u);
    if (lg > 0) {
      if (v.gasket.opaque || (std::isinf(lg) && v.gasket.mu > 0))
        return INF;
      if (v.gasket.mu > 0)
        exponent += v.gasket.mu * lg;
    }
  }
  if (v.crystal.mu > 0)
    exponent += v.crystal.mu * crystal_path(v, p, u);
  return exponent;
}

// Beer-Lambert: I / I0 = exp(-mu L) for each absorber crossed (International Tables
// for Crystallography Vol. C, 2006, section 6.3.3.1).
double path_transmission(const PreparedVolume& v, const Vec3& p, const Vec3& u) {
  return std::exp(-path_exponent(v, p, u));
}

}  // namespace zirel::correction
