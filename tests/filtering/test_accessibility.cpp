#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include "filtering/accessibility.h"
#include "tests/filtering/run_fixtures.h"

namespace zirel {
namespace {

using test::CUBIC_10;
using test::MONOCLINIC;
using test::settings;
constexpr auto A = Accessibility::Accessible;
constexpr auto N = Accessibility::NotAccessible;
constexpr float NaN = std::numeric_limits<float>::quiet_NaN();

AccessibilityRun prepare(const RunSettings& s) {
  return prepare_accessibility(s, build_metric(s.cell));
}

// Distance of a decision from the Psi max boundary, in degrees.
float boundary_margin(const AccessibilityRun& run, const AccessDetail& d) {
  return run.psi_max - std::max(std::fabs(d.theta + d.delta), std::fabs(d.theta - d.delta));
}

struct Case {
  AxisKind kind;
  int h, k, l;
  Accessibility expected;
};

TEST(Accessibility, CubicCellWithAxisAlongC) {
  const Case cases[] = {
      {AxisKind::UVW, 1, 0, 0, A},   {AxisKind::UVW, 0, 0, 1, N},  {AxisKind::UVW, 0, 0, 14, N},
      {AxisKind::UVW, 14, 0, 0, A},  {AxisKind::UVW, 20, 0, 0, N}, {AxisKind::UVW, 0, -14, 0, A},
      {AxisKind::UVW, 0, 0, -1, N},  {AxisKind::UVW, 18, 0, 0, A},  {AxisKind::UVW, 19, 0, 0, N},
      {AxisKind::HKL, 1, 0, 0, A},   {AxisKind::HKL, 0, 0, 1, N},  {AxisKind::HKL, 14, 0, 0, A},
      {AxisKind::HKL, 20, 0, 0, N},
  };
  for (const Case& c : cases) {
    const AccessibilityRun run = prepare(settings(CUBIC_10, 0.7093f, 40, c.kind));
    EXPECT_EQ(is_accessible(run, c.h, c.k, c.l), c.expected) << c.h << ' ' << c.k << ' ' << c.l;
  }
}

TEST(Accessibility, SinglePrecisionAngles) {
  const AccessibilityRun run = prepare(settings(CUBIC_10, 0.7093f, 40));
  // acos(0) * DEG_PER_RAD rounds to exactly 90 in float.
  EXPECT_EQ(examine_reflection(run, 1, 0, 0).delta, 0.0f);
  EXPECT_EQ(examine_reflection(run, 0, 0, 1).delta, 90.0f);
  EXPECT_EQ(examine_reflection(run, 0, 0, -1).delta, -90.0f);
  EXPECT_NEAR(examine_reflection(run, 1, 0, 0).theta, 2.0324f, 1e-4f);
  EXPECT_TRUE(std::isnan(examine_reflection(run, 30, 0, 0).theta));  // beyond the limiting sphere
}

TEST(Accessibility, PsiMaxBoundaryIsStrict) {
  const int reflections[][3] = {{5, 3, 1}, {2, 7, -3}, {1, 0, 0}, {4, 4, 4}};
  for (const auto& r : reflections) {
    RunSettings s = settings(MONOCLINIC, 0.7093f, 90);
    const AccessDetail d = examine_reflection(prepare(s), r[0], r[1], r[2]);
    const float edge = std::max(std::fabs(d.theta + d.delta), std::fabs(d.theta - d.delta));
    s.psi_max = edge;
    EXPECT_EQ(is_accessible(prepare(s), r[0], r[1], r[2]), N) << r[0] << r[1] << r[2];
    s.psi_max = std::nextafter(edge, 100.0f);
    EXPECT_EQ(is_accessible(prepare(s), r[0], r[1], r[2]), A) << r[0] << r[1] << r[2];
  }
}

TEST(Accessibility, LimitingSphereIncludesItsSurface) {
  // d(1 0 0) = 10: lambda = 20 puts it on the sphere, theta = 90, delta = 0.
  const AccessDetail on = examine_reflection(prepare(settings(CUBIC_10, 20.0f, 95)), 1, 0, 0);
  EXPECT_EQ(on.theta, 90.0f);
  EXPECT_EQ(on.outcome, A);
  const AccessDetail off =
      examine_reflection(prepare(settings(CUBIC_10, std::nextafter(20.0f, 30.0f), 95)), 1, 0, 0);
  EXPECT_TRUE(std::isnan(off.theta));
  EXPECT_EQ(off.outcome, N);
}

TEST(Accessibility, CosineOutsideToleranceIsSkippedAndSlightExcessClamped) {
  AccessibilityRun run = prepare(settings(CUBIC_10, 0.7093f, 40));
  run.axis_norm = 10.0f / 1.002f;  // cos psi of 0 0 1 becomes ~1.002: clamped, delta 90
  EXPECT_EQ(examine_reflection(run, 0, 0, 1).delta, 90.0f);
  EXPECT_EQ(is_accessible(run, 0, 0, 1), N);
  run.axis_norm = 10.0f / 1.004f;
  EXPECT_EQ(is_accessible(run, 0, 0, 1), Accessibility::Skipped);
  EXPECT_EQ(is_accessible(run, 0, 0, -1), Accessibility::Skipped);
}

TEST(Accessibility, ZeroAxisIsReportedAndNeverAccepted) {
  for (AxisKind kind : {AxisKind::UVW, AxisKind::HKL}) {
    const AccessibilityRun run = prepare(settings(CUBIC_10, 0.7093f, 40, kind, {0, 0, 0}));
    EXPECT_TRUE(run.zero_axis);
    for (int h = -3; h <= 3; ++h)
      EXPECT_NE(is_accessible(run, h, 1, 0), A);
  }
  EXPECT_FALSE(prepare(settings(CUBIC_10, 0.7093f, 40, AxisKind::HKL, {0, 0, 0.5f})).zero_axis);
  EXPECT_EQ(ZERO_AXIS_MESSAGE, "AXIS DIRECTION HAS ZERO LENGTH");
}

TEST(Accessibility, NotANumberAnywhereMeansNotAccessible) {
  const RunSettings cases[] = {
      settings({10, 10, 10, 30, 30, 120}, 0.7093f, 40),  // impossible cell, indefinite G*
      settings({10, 10, 10, 30, 30, 120}, 0.7093f, 40, AxisKind::HKL, {1, 1, 0}),
      settings(CUBIC_10, NaN, 40),
      settings(CUBIC_10, 0.7093f, NaN),
      settings(CUBIC_10, 0.7093f, 40, AxisKind::UVW, {0, NaN, 1}),
      settings(CUBIC_10, 0.7093f, 40, AxisKind::HKL, {NaN, 0, 1}),
  };
  for (const RunSettings& s : cases) {
    const AccessibilityRun run = prepare(s);
    for (int h = -4; h <= 4; ++h)
      for (int k = -4; k <= 4; ++k)
        for (int l = -4; l <= 4; ++l) {
          const AccessDetail d = examine_reflection(run, h, k, l);
          if (std::isnan(d.theta) || std::isnan(d.delta)) {
            EXPECT_NE(d.outcome, A) << h << ' ' << k << ' ' << l;
          }
        }
  }
}

// The decision in double precision from Cartesian lattice vectors, sharing no code with the core.
struct DoubleDecision {
  bool accessible;
  double margin;  // degrees to the nearest boundary (Psi max or the limiting sphere)
};

DoubleDecision double_decision(const RunSettings& s, int h, int k, int l) {
  using V = std::array<double, 3>;
  const double r = std::numbers::pi / 180.0;
  const double ca = std::cos(s.cell.alpha * r), cb = std::cos(s.cell.beta * r);
  const double cg = std::cos(s.cell.gamma * r), sg = std::sin(s.cell.gamma * r);
  const double cz = std::sqrt(1 - cb * cb - ((ca - cb * cg) / sg) * ((ca - cb * cg) / sg));
  const V a{s.cell.a, 0, 0}, b{s.cell.b * cg, s.cell.b * sg, 0};
  const V c{s.cell.c * cb, s.cell.c * (ca - cb * cg) / sg, s.cell.c * cz};
  auto cross = [](V u, V v) { return V{u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]}; };
  auto dot = [](V u, V v) { return u[0] * v[0] + u[1] * v[1] + u[2] * v[2]; };
  auto comb = [](V u, V v, V w, double x, double y, double z) {
    return V{x * u[0] + y * v[0] + z * w[0], x * u[1] + y * v[1] + z * w[1], x * u[2] + y * v[2] + z * w[2]};
  };
  const double volume = dot(a, cross(b, c));
  V as = cross(b, c), bs = cross(c, a), cs = cross(a, b);
  for (V* v : {&as, &bs, &cs})
    for (double& x : *v)
      x /= volume;
  const V q = comb(as, bs, cs, h, k, l);
  const V axis = s.axis_kind == AxisKind::UVW ? comb(a, b, c, s.axis[0], s.axis[1], s.axis[2])
                                              : comb(as, bs, cs, s.axis[0], s.axis[1], s.axis[2]);
  const double deg = 180.0 / std::numbers::pi;
  const double delta = 90.0 - std::acos(dot(q, axis) / std::sqrt(dot(q, q) * dot(axis, axis))) * deg;
  const double sin_theta = s.wavelength / 2.0 * std::sqrt(dot(q, q));
  if (sin_theta > 1.0)
    return {false, (sin_theta - 1.0) * 1e3};
  const double theta = std::asin(sin_theta) * deg;
  const double edge = std::max(std::fabs(theta + delta), std::fabs(theta - delta));
  return {edge < s.psi_max, std::min(std::fabs(s.psi_max - edge), (1.0 - sin_theta) * 1e3)};
}

TEST(Accessibility, AgreesWithDoublePrecisionAwayFromTheBoundary) {
  std::mt19937 rng(2024);
  std::uniform_real_distribution<float> wavelength(0.2f, 2.3f), psi(5.0f, 90.0f), axis(-3.0f, 3.0f);
  std::uniform_int_distribution<int> index(-12, 12);
  int compared = 0;
  for (int set = 0; set < 200; ++set) {
    const RunSettings s = settings(test::random_cell(rng), wavelength(rng), psi(rng),
                                   set % 2 ? AxisKind::HKL : AxisKind::UVW, {axis(rng), axis(rng), axis(rng)});
    const CellMetric metric = build_metric(s.cell);
    if (metric.singular || metric.determinant <= 0)
      continue;
    const AccessibilityRun run = prepare_accessibility(s, metric);
    for (int i = 0; i < 100; ++i) {
      const int h = index(rng), k = index(rng), l = index(rng);
      if (h == 0 && k == 0 && l == 0)
        continue;
      const DoubleDecision expected = double_decision(s, h, k, l);
      if (!(expected.margin > 1e-3))
        continue;
      ++compared;
      EXPECT_EQ(is_accessible(run, h, k, l) == A, expected.accessible) << "set " << set << ": " << h << ' ' << k << ' ' << l;
    }
  }
  EXPECT_GT(compared, 15000);
}

// Runs whose decisions must agree, reflection by reflection, except within 1e-3 degrees of the boundary.
void expect_same_decisions(const AccessibilityRun& one, const AccessibilityRun& other, bool friedel) {
  int compared = 0;
  for (int h = -10; h <= 10; ++h)
    for (int k = -10; k <= 10; ++k)
      for (int l = -10; l <= 10; ++l) {
        const int s = friedel ? -1 : 1;
        const AccessDetail x = examine_reflection(one, h, k, l);
        const AccessDetail y = examine_reflection(other, s * h, s * k, s * l);
        if (std::fabs(boundary_margin(one, x)) < 1e-3f)
          continue;
        ++compared;
        EXPECT_EQ(x.outcome, y.outcome) << h << ' ' << k << ' ' << l;
      }
  EXPECT_GT(compared, 9000);
}

TEST(Accessibility, FriedelPairsShareTheDecision) {
  for (AxisKind kind : {AxisKind::UVW, AxisKind::HKL}) {
    const AccessibilityRun run = prepare(settings({7.1f, 9.3f, 11.7f, 81.2f, 97.4f, 113.9f}, 0.5f, 35, kind, {1, -2, 3}));
    expect_same_decisions(run, run, true);
  }
}

TEST(Accessibility, OnlyTheAxisDirectionMatters) {
  const UnitCell cell{7.1f, 9.3f, 11.7f, 81.2f, 97.4f, 113.9f};
  const Vec3 axes[][2] = {{{0, 0, 1}, {0, 0, 2}}, {{1, -2, 3}, {3, -6, 9}}, {{0.5f, 0, 1}, {1, 0, 2}}};
  for (AxisKind kind : {AxisKind::UVW, AxisKind::HKL})
    for (const auto& pair : axes)
      expect_same_decisions(prepare(settings(cell, 0.5f, 35, kind, pair[0])),
                            prepare(settings(cell, 0.5f, 35, kind, pair[1])), false);
}

TEST(Accessibility, DirectionAndPlaneNormalDifferOnlyWhenTheCellIsOblique) {
  auto differences = [](const UnitCell& cell) {
    const AccessibilityRun uvw = prepare(settings(cell, 0.7093f, 40, AxisKind::UVW));
    const AccessibilityRun hkl = prepare(settings(cell, 0.7093f, 40, AxisKind::HKL));
    int n = 0;
    for (int h = -8; h <= 8; ++h)
      for (int l = -8; l <= 8; ++l)
        n += is_accessible(uvw, h, 1, l) != is_accessible(hkl, h, 1, l);
    return n;
  };
  EXPECT_EQ(differences(CUBIC_10), 0);
  EXPECT_GT(differences(MONOCLINIC), 0);
}

}  // namespace
}  // namespace zirel
