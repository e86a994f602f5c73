// Gauss-Legendre nodes and weights on [-1, 1].
#pragma once

#include <vector>

namespace zirel::correction {

struct GaussRule {
  std::vector<double> nodes;
  std::vector<double> weights;
};

// n >= 1 points, exact for polynomials of degree 2n - 1.
GaussRule gauss_legendre(int n);

// The same rule computed once per process and shared (read only, thread safe), for
// 1 <= n <= SHARED_RULES.
constexpr int SHARED_RULES = 64;
const GaussRule& gauss_legendre_shared(int n);

}  // namespace zirel::correction
