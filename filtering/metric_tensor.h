#pragma once
#include <array>

namespace zirel {

// A triple of components on a, b, c (direct space) or on a*, b*, c* (reciprocal space).
using Vec3 = std::array<float, 3>;

// A 3x3 single-precision matrix; m[i][j] with 0-based indices.
struct MetricTensor {
  std::array<std::array<float, 3>, 3> m{};

  float operator()(int i, int j) const { return m[i][j]; }
  float& operator()(int i, int j) { return m[i][j]; }
};

}  // namespace zirel
