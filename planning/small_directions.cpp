#include "small_directions.h"

#include <algorithm>
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

}  // namespace zirel::planning
