#include "filtering/generation.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include "filtering/accessibility.h"

namespace zirel {

namespace {

constexpr double FLOAT_EPS = 0x1p-24;  // unit roundoff of float

int index_bound(const RunSettings& s, const CellMetric& metric, bool& limited) {
  limited = false;
  float amax = s.cell.a;
  if (amax < s.cell.b)
    amax = s.cell.b;
  if (amax < s.cell.c)
    amax = s.cell.c;
  const float edge = amax * 2.5f;
  const float two_theta_max = s.psi_max * 2.0f;
  using ld = long double;
  const ld n = static_cast<ld>(edge) *
               std::sin(static_cast<ld>(two_theta_max) / static_cast<ld>(DEG_PER_RAD) / 2.0L) /
               static_cast<ld>(s.wavelength);
  // A negative n would start the cube at (|n|, |n|, |n|) and could yield that one
  // candidate; a wavelength that is not positive has no limiting sphere.
  if (metric.singular || !(s.wavelength > 0.0f) || !(n >= 1.0L))
    return 0;
  if (n > static_cast<ld>(INDEX_BOUND_LIMIT)) {
    limited = true;
    return INDEX_BOUND_LIMIT;
  }
  return static_cast<int>(n);
}

// Every yielded reflection has q_float = h G* h within the sphere of radius
// 2 sin(theta_max) / lambda; bound it generously in double, allowing for the
// roundings of the float tests and of q_float itself.
double q_limit(const GenerationState& s) {
  if (!std::isnormal(s.wavelength))
    return std::numeric_limits<double>::infinity();
  const double k = static_cast<double>(DEG_PER_RAD) * 2.0;
  const double theta_max = std::max(0.0, static_cast<double>(s.two_theta_max) / k) * (1.0 + 1e-6) + 1e-9;
  const double s_max = theta_max >= std::numbers::pi / 2.0 ? 1.0 : std::sin(theta_max);
  const double radius = 2.0 * s_max / static_cast<double>(s.wavelength);
  double abs_sum = 0.0;
  for (const auto& row : s.metric.g_star.m)
    for (float x : row)
      abs_sum += std::fabs(static_cast<double>(x));
  const double n = s.index_bound;
  return radius * radius * (1.0 + 1e-5) + 16.0 * FLOAT_EPS * n * n * abs_sum + 1e-38;
}

// Range of l for the current (h, k) where h G* h can reach q_limit: the roots of
// A l^2 + B l + C = q_limit, widened by more than any rounding in double.
void open_row(GenerationState& s) {
  const int n = s.index_bound;
  s.l = -n;
  s.row_end = n;
  const auto& g = s.metric.g_star.m;
  const double h = s.h, k = s.k;
  const double a = g[2][2];
  if (!(a > 0.0) || !std::isfinite(s.q_limit))
    return;  // not an ellipsoid along l: scan the whole row
  const double b = (static_cast<double>(g[0][2]) + g[2][0]) * h + (static_cast<double>(g[1][2]) + g[2][1]) * k;
  const double c = static_cast<double>(g[0][0]) * h * h + (static_cast<double>(g[0][1]) + g[1][0]) * h * k +
                   static_cast<double>(g[1][1]) * k * k - s.q_limit;
  const double disc = b * b - 4.0 * a * c;
  if (disc < 0.0) {
    s.row_end = s.l - 1;  // the row misses the sphere
    return;
  }
  if (!std::isfinite(disc))
    return;
  // Stable roots: q / a and c / q.
  const double q = -0.5 * (b + std::copysign(std::sqrt(disc), b));
  double r1 = q / a;
  double r2 = q != 0.0 ? c / q : -r1;
  if (r1 > r2)
    std::swap(r1, r2);
  const double lo = std::floor(r1 - 1.0 - 1e-6 * std::fabs(r1));
  const double hi = std::ceil(r2 + 1.0 + 1e-6 * std::fabs(r2));
  if (!(lo <= hi))
    return;
  s.l = static_cast<int>(std::clamp(lo, -n - 1.0, n + 1.0));
  s.row_end = static_cast<int>(std::clamp(hi, -n - 1.0, n + 1.0));
  s.l = std::max(s.l, -n);
  s.row_end = std::min(s.row_end, n);
}

// The exact single-precision test that decides whether a candidate is yielded.
bool yields(GenerationState& s, int h, int k, int l) {
  ++s.visited;
  if (h == 0 && k == 0 && l == 0)
    return false;
  const float d = d_spacing(s.metric, Vec3{static_cast<float>(h), static_cast<float>(k), static_cast<float>(l)});
  const float half_lambda = s.wavelength / 2.0f;
  if (half_lambda > d)
    return false;  // outside the limiting sphere; d equal to lambda/2 stays
  const float two_theta = std::asin(half_lambda / d) * (DEG_PER_RAD * 2.0f);
  return two_theta <= s.two_theta_max;
}

// Moves to the next (h, k) row; false at the end of the cube.
bool next_row(GenerationState& s) {
  const int n = s.index_bound;
  if (++s.k > n) {
    s.k = -n;
    if (++s.h > n) {
      s.finished = true;
      return false;
    }
  }
  return true;
}

}  // namespace

GenerationState prepare_generation(const RunSettings& settings, const CellMetric& metric) {
  GenerationState s;
  s.metric = metric;
  s.wavelength = settings.wavelength;
  s.two_theta_max = settings.psi_max * 2.0f;
  s.index_bound = index_bound(settings, metric, s.bound_limited);
  s.q_limit = q_limit(s);
  return s;
}

std::optional<Miller> next_generated_reflection(GenerationState& s) {
  if (s.finished)
    return std::nullopt;
  if (!s.started) {
    s.started = true;
    s.h = s.k = -s.index_bound;
    open_row(s);
  } else {
    ++s.l;
  }
  for (;;) {
    while (s.l > s.row_end) {
      if (!next_row(s))
        return std::nullopt;
      open_row(s);
    }
    if (yields(s, s.h, s.k, s.l))
      return Miller{s.h, s.k, s.l};
    ++s.l;
  }
}

std::optional<Miller> next_enumerated_reflection(GenerationState& s) {
  const int n = s.index_bound;
  while (!s.finished) {
    if (!s.started) {
      s.started = true;
      s.h = s.k = s.l = -n;
    } else if (++s.l > n) {
      s.l = -n;
      if (!next_row(s))
        break;
    }
    if (yields(s, s.h, s.k, s.l))
      return Miller{s.h, s.k, s.l};
  }
  return std::nullopt;
}

}  // namespace zirel
