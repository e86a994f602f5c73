#include "cartesian.h"

#include <algorithm>
#include <numbers>

namespace zirel::planning {

double axis_angle_deg(const Vec3d& a, const Vec3d& b) {
  const double c = std::min(1.0, std::fabs(dot(a, b)) / (norm(a) * norm(b)));
  return std::acos(c) * 180.0 / std::numbers::pi;
}

Vec3d upper(const Vec3d& v) {
  // Components within rounding of zero count as zero: an axis in the rim, like a* of a
  // hexagonal cell, then lands on the same side however cos(90 deg) rounded.
  const double zero = 1e-12 * norm(v);
  auto sign = [&](double x) { return x > zero ? 1 : x < -zero ? -1 : 0; };
  const int z = sign(v[2]), y = sign(v[1]), x = sign(v[0]);
  const bool flip = z < 0 || (z == 0 && (y < 0 || (y == 0 && x < 0)));
  return flip ? scaled(v, -1.0) : v;
}

CartesianFrame make_frame(const UnitCell& cell) {
  const double rad = std::numbers::pi / 180.0;
  const double a = cell.a, b = cell.b, c = cell.c;
  const double ca = std::cos(cell.alpha * rad), cb = std::cos(cell.beta * rad);
  const double cg = std::cos(cell.gamma * rad), sg = std::sin(cell.gamma * rad);
  // V = abc sqrt(1 - cos^2 alpha - cos^2 beta - cos^2 gamma + 2 cos alpha cos beta cos gamma)
  const double volume = a * b * c * std::sqrt(1 - ca * ca - cb * cb - cg * cg + 2 * ca * cb * cg);
  const Vec3d va{a, 0, 0};
  const Vec3d vb{b * cg, b * sg, 0};
  const Vec3d vc{c * cb, c * (ca - cb * cg) / sg, volume / (a * b * sg)};
  // a* = (b x c) / V and cyclically.
  const Vec3d ra = scaled(cross(vb, vc), 1 / volume);
  const Vec3d rb = scaled(cross(vc, va), 1 / volume);
  const Vec3d rc = scaled(cross(va, vb), 1 / volume);
  CartesianFrame f;
  for (int i = 0; i < 3; ++i) {
    f.direct.row[i] = {va[i], vb[i], vc[i]};
    f.reciprocal.row[i] = {ra[i], rb[i], rc[i]};
  }
  return f;
}

}  // namespace zirel::planning
