#include "planning/unique_set.h"

#include <algorithm>
#include <array>
#include <cmath>
#include "planning/index_bounds.h"
#include <numbers>
#include "filtering/accessibility.h"

namespace zirel::planning {

namespace {

float d_of(const CellMetric& metric, const Miller& m) {
  return d_spacing(metric, Vec3{static_cast<float>(m.h), static_cast<float>(m.k), static_cast<float>(m.l)});
}

// h G* h in double, for the enumeration's bounds only.
double q_of(const MetricTensor& g, double h, double k, double l) {
  const double v[3] = {h, k, l};
  double q = 0.0;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      q += v[i] * static_cast<double>(g.m[i][j]) * v[j];
  return q;
}

// The l that can lie within 1/d_min for one (h, k): roots of A l^2 + B l + C = q_max,
// widened by one index on each side so that no rounding can lose a reflection.
bool l_range(const MetricTensor& g, int h, int k, double q_max, int& lo, int& hi) {
  const double a = g.m[2][2];
  const double b = (static_cast<double>(g.m[0][2]) + g.m[2][0]) * h + (static_cast<double>(g.m[1][2]) + g.m[2][1]) * k;
  const double c = q_of(g, h, k, 0) - q_max;
  const double disc = b * b - 4.0 * a * c;
  if (!(a > 0.0) || disc < 0.0)
    return false;
  const double root = std::sqrt(disc);
  const double low = std::floor((-b - root) / (2.0 * a)), high = std::ceil((-b + root) / (2.0 * a));
  if (!(low <= high))
    return false;  // NaN: nothing to enumerate
  lo = clamped_index(low, -INDEX_LIMIT, INDEX_LIMIT) - 1;
  hi = clamped_index(high, -INDEX_LIMIT, INDEX_LIMIT) + 1;
  return true;
}

Miller negated(const Miller& m) { return {-m.h, -m.k, -m.l}; }

// At most 48 rotations, and as many Friedel mates.
struct Orbit {
  std::array<Miller, 96> members;
  int count = 0;

  void add(const Miller& m) {
    for (int i = 0; i < count; ++i)
      if (members[static_cast<size_t>(i)] == m)
        return;
    members[static_cast<size_t>(count++)] = m;
  }
};

struct Builder {
  const Symmetry& symmetry;
  const CellMetric& metric;
  double d_min;
  UniqueSet& set;
  Orbit orbit{};  // reused: filling 96 members afresh for every reflection costs more than the rest

  // Keeps the orbit of `hkl` (with its Friedel mates when `friedel`) as one unique
  // reflection when any of its members reaches d_min.
  void add(const Miller& hkl, bool friedel, bool near_limit) {
    orbit.count = 0;
    for (const HklRotation& r : symmetry.rotations)
      orbit.add(r.apply(hkl));
    if (friedel)
      for (int i = 0, n = orbit.count; i < n; ++i)
        orbit.add(negated(orbit.members[static_cast<size_t>(i)]));
    const float d = d_of(metric, hkl);
    bool inside = static_cast<double>(d) >= d_min;
    // Equivalents can differ from the representative in the last bit of d; at the
    // limit the reflection belongs to the set when any of them reaches it, as the
    // generation would yield that one.
    for (int i = 1; near_limit && !inside && i < orbit.count; ++i)
      inside = static_cast<double>(d_of(metric, orbit.members[static_cast<size_t>(i)])) >= d_min;
    if (!inside)
      return;
    set.reflections.push_back(
        UniqueReflection{hkl, d, static_cast<int>(set.equivalents.size()), orbit.count});
    set.equivalents.insert(set.equivalents.end(), orbit.members.begin(), orbit.members.begin() + orbit.count);
  }
};

}  // namespace

UniqueSet unique_reflections(const Symmetry& symmetry, const CellMetric& metric, double d_min,
                             bool anomalous) {
  UniqueSet set;
  set.anomalous = anomalous;
  set.d_min = d_min;
  if (metric.singular || !(d_min > 0.0))
    return set;
  const double q_max = 1.0 / (d_min * d_min) * (1.0 + 1e-5);
  const double near = 1.0 / (d_min * d_min) * 1e-5;
  // |h| <= |a| / d_min. Beyond what an index field can hold nothing is enumerated; the
  // callers refuse such a sphere long before, by its size.
  int bound[3];
  for (int i = 0; i < 3; ++i)
    bound[i] = clamped_index(std::sqrt(static_cast<double>(metric.g.m[i][i])) / d_min, 0, INDEX_LIMIT) + 1;

  // Friedel mates apart or together, every reflection of the sphere is one equivalent.
  const double expected = sphere_reflection_estimate(metric, d_min);
  set.equivalents.reserve(static_cast<size_t>(expected * 1.05) + 100);
  set.reflections.reserve(static_cast<size_t>(expected * 1.05 / static_cast<double>(symmetry.rotations.size())) + 100);
  Builder builder{symmetry, metric, d_min, set};
  for (int h = -bound[0]; h <= bound[0]; ++h)
    for (int k = -bound[1]; k <= bound[1]; ++k) {
      int lo, hi;
      if (!l_range(metric.g_star, h, k, q_max, lo, hi))
        continue;
      for (int l = std::max(lo, -bound[2]); l <= std::min(hi, bound[2]); ++l) {
        const Miller hkl{h, k, l};
        if ((h == 0 && k == 0 && l == 0) || !symmetry.in_asu(hkl))
          continue;
        const double q = q_of(metric.g_star, h, k, l);
        if (q > q_max || symmetry.is_absent(hkl))
          continue;
        const bool near_limit = std::fabs(q - 1.0 / (d_min * d_min)) <= near;
        if (!anomalous || symmetry.centrosymmetric || symmetry.is_centric(hkl)) {
          builder.add(hkl, true, near_limit);
        } else {
          builder.add(hkl, false, near_limit);
          builder.add(negated(hkl), false, near_limit);
        }
      }
    }
  return set;
}

double sphere_reflection_estimate(const CellMetric& metric, double d_min) {
  if (metric.singular || !(d_min > 0.0))
    return 0.0;
  // Volume of the sphere of radius 1/d_min over the reciprocal cell's, V* = 1 / sqrt(det G).
  return 4.0 / 3.0 * std::numbers::pi * std::sqrt(std::fabs(static_cast<double>(metric.determinant))) /
         (d_min * d_min * d_min);
}

double opening_d_min(float wavelength, float psi_max) {
  const float half_lambda = wavelength / 2.0f;
  const float two_theta_max = psi_max * 2.0f;
  // The generation's test, word for word.
  auto passes = [&](float d) {
    return !(half_lambda > d) && std::asin(half_lambda / d) * (DEG_PER_RAD * 2.0f) <= two_theta_max;
  };
  if (!(wavelength > 0.0f) || !(psi_max > 0.0f))
    return 0.0;
  if (psi_max >= 90.0f)
    return half_lambda;
  float d = static_cast<float>(static_cast<double>(half_lambda) /
                               std::sin(static_cast<double>(psi_max) * 0.017453292519943295));
  // The test is monotonic in d; the estimate is a few units in the last place off.
  for (int i = 0; i < 1000 && !passes(d); ++i)
    d = std::nextafter(d, INFINITY);
  for (int i = 0; i < 1000; ++i) {
    const float below = std::nextafter(d, 0.0f);
    if (!passes(below))
      break;
    d = below;
  }
  return d;
}

}  // namespace zirel::planning
