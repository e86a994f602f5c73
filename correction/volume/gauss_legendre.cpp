#include "correction/volume/gauss_legendre.h"

#include <cmath>
#include <numbers>

namespace zirel::correction {

// The nodes are the roots of the Legendre polynomial P_n, found by Newton's method
// from the estimate cos(pi (i - 1/4) / (n + 1/2)); P_n and its derivative from the
// three-term recurrence (j+1) P_{j+1} = (2j+1) x P_j - j P_{j-1}, and the weights
// w_i = 2 / ((1 - x_i^2) P_n'(x_i)^2) (Abramowitz & Stegun, Handbook of Mathematical
// Functions, 1964, 25.4.29 and 22.7.10; Press et al., Numerical Recipes, 3rd ed.,
// 2007, section 4.6.1, routine gauleg).
GaussRule gauss_legendre(int n) {
  GaussRule r;
  r.nodes.resize(n);
  r.weights.resize(n);
  for (int i = 0; i < (n + 1) / 2; ++i) {
    double x = std::cos(std::numbers::pi * (i + 0.75) / (n + 0.5));
    double dp = 0;
    for (int iter = 0; iter < 100; ++iter) {
      double p0 = 1, p1 = x;
      for (int j = 1; j < n; ++j) {
        const double p2 = ((2 * j + 1) * x * p1 - j * p0) / (j + 1);
        p0 = p1;
        p1 = p2;
      }
      const double pn = n == 0 ? 1 : p1;
      // P_n'(x) = n (x P_n - P_{n-1}) / (x^2 - 1)
      dp = n * (x * pn - p0) / (x * x - 1);
      const double dx = pn / dp;
      x -= dx;
      if (std::abs(dx) < 1e-15)
        break;
    }
    r.nodes[i] = -x;
    r.nodes[n - 1 - i] = x;
    r.weights[i] = r.weights[n - 1 - i] = 2 / ((1 - x * x) * dp * dp);
  }
  if (n == 1) {
    r.nodes[0] = 0;
    r.weights[0] = 2;
  }
  return r;
}

const GaussRule& gauss_legendre_shared(int n) {
  // Function-local statics are initialised once, safely across threads (C++11 and later).
  static const std::vector<GaussRule> common = [] {
    std::vector<GaussRule> r(SHARED_RULES + 1);
    for (int k = 1; k <= SHARED_RULES; ++k)
      r[k] = gauss_legendre(k);
    return r;
  }();
  return common[n];
}

}  // namespace zirel::correction
