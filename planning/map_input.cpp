#include "map_input.h"

#include "completeness.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zirel::planning {

namespace {
Vec3d as_vector(const Miller& m) { return {double(m.h), double(m.k), double(m.l)}; }
}  // namespace

BandSet make_band_set(const UniqueSet& set, const CartesianFrame& frame, double wavelength, double psi_max) {
  BandSet bands;
  bands.uniques.reserve(set.reflections.size());
  bands.normals.reserve(set.equivalents.size() / 2 + set.reflections.size());
  std::vector<Vec3d> scattering;
  for (const UniqueReflection& u : set.reflections) {
    scattering.clear();
    for (int i = 0; i < u.equivalent_count; ++i)
      scattering.push_back(frame.reciprocal_vector(as_vector(set.equivalents[u.first_equivalent + i])));
    // Bragg's law, lambda = 2 d sin theta, with |s| = 1 / d; NaN beyond the limiting sphere.
    const double sin_theta = wavelength * norm(scattering.front()) / 2;
    const double theta = sin_theta <= 1 ? std::asin(sin_theta) * 180 / std::numbers::pi : NAN;
    add_unique(bands, theta, psi_max, scattering);
  }
  return bands;
}

namespace {

// B M B^-1 for a rotation M acting on indices: its columns are B M applied to the
// columns of B^-1, which is the transpose of the direct matrix.
Mat3d cartesian_rotation(const HklRotation& r, const CartesianFrame& frame) {
  Mat3d m;
  for (int k = 0; k < 3; ++k) {
    const Vec3d inverse_column = frame.direct.row[k];  // row k of direct = column k of B^-1
    Vec3d turned{};
    for (int i = 0; i < 3; ++i)
      turned[i] = r.m[i][0] * inverse_column[0] + r.m[i][1] * inverse_column[1] + r.m[i][2] * inverse_column[2];
    const Vec3d column = frame.reciprocal_vector(turned);
    for (int i = 0; i < 3; ++i)
      m.row[i][k] = column[i];
  }
  return m;
}

// Equal as mounts: R and -R turn an axis into the same mount.
bool same_on_axes(const Mat3d& a, const Mat3d& b, double tolerance) {
  double plus = 0, minus = 0;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      plus += std::fabs(a.row[i][j] - b.row[i][j]);
      minus += std::fabs(a.row[i][j] + b.row[i][j]);
    }
  return std::min(plus, minus) < tolerance;
}

bool orthogonal(const Mat3d& m, double tolerance) {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      const double product = m.row[0][i] * m.row[0][j] + m.row[1][i] * m.row[1][j] + m.row[2][i] * m.row[2][j];
      if (std::fabs(product - (i == j ? 1 : 0)) > tolerance)
        return false;
    }
  return true;
}

// M carries every set of equivalents onto one set of equivalents.
bool permutes_unique_set(const HklRotation& m, const UniqueSet& set, const ReflectionLookup& lookup) {
  for (const UniqueReflection& u : set.reflections) {
    const int target = lookup.find(m.apply(set.equivalents[u.first_equivalent]));
    if (target < 0)
      return false;
    for (int i = 1; i < u.equivalent_count; ++i)
      if (lookup.find(m.apply(set.equivalents[u.first_equivalent + i])) != target)
        return false;
  }
  return true;
}

}  // namespace

std::vector<Mat3d> cartesian_symmetry(const Symmetry& symmetry, const CartesianFrame& frame) {
  std::vector<Mat3d> out;
  for (const HklRotation& r : symmetry.rotations)
    out.push_back(cartesian_rotation(r, frame));
  return out;
}

std::vector<Mat3d> map_symmetry(const Symmetry& symmetry, const UniqueSet& set, const CartesianFrame& frame) {
  std::vector<Mat3d> out = cartesian_symmetry(symmetry, frame);
  const ReflectionLookup lookup(set);
  // In a conventional cell every rotation of the lattice has indices -1, 0 or 1.
  HklRotation m;
  for (int code = 0; code < 19683; ++code) {
    for (int e = 0, c = code; e < 9; ++e, c /= 3)
      m.m[e / 3][e % 3] = c % 3 - 1;
    const Mat3d r = cartesian_rotation(m, frame);
    if (!orthogonal(r, 1e-5))
      continue;
    const bool known = std::any_of(out.begin(), out.end(), [&](const Mat3d& o) { return same_on_axes(o, r, 1e-6); });
    if (!known && permutes_unique_set(m, set, lookup))
      out.push_back(r);
  }
  return out;
}

Vec3d axis_direction(const CartesianFrame& frame, AxisKind kind, const Vec3& axis) {
  const Vec3d v{axis[0], axis[1], axis[2]};
  return normalized(kind == AxisKind::HKL ? frame.reciprocal_vector(v) : frame.direct_vector(v));
}

}  // namespace zirel::planning
