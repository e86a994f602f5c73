#include "map_input.h"

#include <cmath>
#include <numbers>

namespace zirel::plan {

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

std::vector<Mat3d> cartesian_symmetry(const Symmetry& symmetry, const CartesianFrame& frame) {
  std::vector<Mat3d> out;
  for (const HklRotation& r : symmetry.rotations) {
    // Columns of B M B^-1 are B M applied to B^-1 e_k; B^-1 is the transpose of the direct matrix.
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
    out.push_back(m);
  }
  return out;
}

Vec3d axis_direction(const CartesianFrame& frame, AxisKind kind, const Vec3& axis) {
  const Vec3d v{axis[0], axis[1], axis[2]};
  return normalized(kind == AxisKind::HKL ? frame.reciprocal_vector(v) : frame.direct_vector(v));
}

}  // namespace zirel::plan
