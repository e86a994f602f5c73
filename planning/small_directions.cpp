#include "small_directions.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>

namespace zirel::planning {

namespace {

int largest(const Indices& i) { return std::max({std::abs(i[0]), std::abs(i[1]), std::abs(i[2])}); }
int total(const Indices& i) { return std::abs(i[0]) + std::abs(i[1]) + std::abs(i[2]); }

// First non-zero index positive: [1 0 -1] rather than [-1 0 1].
bool leads_positive(const Indices& i) {
  for (int v : i)
    if (v != 0)
      return v > 0;
  return false;
}

NearestLattice nearest(const std::vector<Indices>& indices, const std::vector<Vec3d>& units,
                       const Vec3d& axis) {
  const Vec3d n = normalized(axis);
  size_t best = 0;
  double best_cos = -1;
  for (size_t i = 0; i < units.size(); ++i) {
    // Only a clearly smaller angle displaces a simpler direction found before.
    const double c = std::fabs(dot(units[i], n));
    if (c > best_cos + 1e-12) {
      best_cos = c;
      best = i;
    }
  }
  return {indices[best], axis_angle_deg(n, units[best])};
}

// Columns of m as rows: the components of n along each column vector.
Vec3d along_columns(const Mat3d& m, const Vec3d& n) {
  return {m.row[0][0] * n[0] + m.row[1][0] * n[1] + m.row[2][0] * n[2],
          m.row[0][1] * n[0] + m.row[1][1] * n[1] + m.row[2][1] * n[2],
          m.row[0][2] * n[0] + m.row[1][2] * n[1] + m.row[2][2] * n[2]};
}

// For each size m = 1, 2, ... the components scaled so that the largest is m and
// rounded; the first within within_deg wins, else the nearest seen (found first).
NearestLattice refine(NearestLattice found, const Vec3d& components, const Vec3d& axis, double within_deg,
                      int max_index, Vec3d (*to_vector)(const CartesianFrame&, const Vec3d&),
                      const CartesianFrame& frame) {
  if (found.angle_deg <= within_deg)
    return found;
  const double largest_component =
      std::max({std::fabs(components[0]), std::fabs(components[1]), std::fabs(components[2])});
  if (!(largest_component > 0))
    return found;
  for (int m = 1; m <= max_index; ++m) {
    Indices i{};
    for (int k = 0; k < 3; ++k)
      // |components[k] / largest| <= 1, so the rounded value lies within +-m: no overflow.
      i[k] = static_cast<int>(std::lround(components[k] / largest_component * m));
    const int g = std::gcd(std::gcd(i[0], i[1]), i[2]);
    if (g == 0)
      continue;
    for (int& v : i)
      v /= g;
    if (!leads_positive(i))
      for (int& v : i)
        v = -v;
    const double angle = axis_angle_deg(axis, to_vector(frame, Vec3d{double(i[0]), double(i[1]), double(i[2])}));
    if (angle < found.angle_deg - 1e-9)
      found = {i, angle};
    if (found.angle_deg <= within_deg)
      break;
  }
  return found;
}

Vec3d direct_of(const CartesianFrame& f, const Vec3d& v) { return f.direct_vector(v); }
Vec3d reciprocal_of(const CartesianFrame& f, const Vec3d& v) { return f.reciprocal_vector(v); }

}  // namespace

SmallDirections make_small_directions(const CartesianFrame& frame, int max_index) {
  SmallDirections small;
  for (int u = -max_index; u <= max_index; ++u)
    for (int v = -max_index; v <= max_index; ++v)
      for (int w = -max_index; w <= max_index; ++w) {
        const Indices i{u, v, w};
        if (leads_positive(i) && std::gcd(std::gcd(u, v), w) == 1)
          small.indices.push_back(i);
      }
  std::stable_sort(small.indices.begin(), small.indices.end(), [](const Indices& x, const Indices& y) {
    return std::pair(largest(x), total(x)) < std::pair(largest(y), total(y));
  });
  for (const Indices& i : small.indices) {
    const Vec3d v{double(i[0]), double(i[1]), double(i[2])};
    small.direct.push_back(normalized(frame.direct_vector(v)));
    small.reciprocal.push_back(normalized(frame.reciprocal_vector(v)));
  }
  return small;
}

NearestLattice nearest_direction(const SmallDirections& small, const Vec3d& axis) {
  return nearest(small.indices, small.direct, axis);
}

NearestLattice nearest_plane_normal(const SmallDirections& small, const Vec3d& axis) {
  return nearest(small.indices, small.reciprocal, axis);
}

NearestLattice refined_direction(const CartesianFrame& frame, const SmallDirections& small, const Vec3d& axis,
                                 double within_deg, int max_index) {
  const Vec3d n = normalized(axis);
  return refine(nearest_direction(small, n), along_columns(frame.reciprocal, n), n, within_deg, max_index,
                direct_of, frame);
}

NearestLattice refined_plane_normal(const CartesianFrame& frame, const SmallDirections& small, const Vec3d& axis,
                                    double within_deg, int max_index) {
  const Vec3d n = normalized(axis);
  return refine(nearest_plane_normal(small, n), along_columns(frame.direct, n), n, within_deg, max_index,
                reciprocal_of, frame);
}

}  // namespace zirel::planning
