// The closed form of the reciprocal volume one mount reaches, checked three ways: by
// hand where it is simple, against the integral it comes from, and against the
// filtering's own decisions counted over a fine lattice.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include "filtering/accessibility.h"
#include "filtering/cell_metric.h"
#include "planning/accessible_volume.h"

namespace zirel::planning {
namespace {

constexpr double PI = std::numbers::pi;

// An opening of 90 degrees: V = (4 pi / lambda^3) (pi / 2) = 2 pi^2 / lambda^3, a share
// (pi / 2) / (8 / 3) = 3 pi / 16 of the limiting sphere; nothing at all through a
// closed one.
TEST(AccessibleVolume, HandWorkedCases) {
  EXPECT_NEAR(accessible_volume(1, 90), 2 * PI * PI, 1e-12);
  EXPECT_NEAR(accessible_volume(0.5, 90), 2 * PI * PI * 8, 1e-10);
  EXPECT_NEAR(accessible_share(90), 3 * PI / 16, 1e-12);
  EXPECT_NEAR(accessible_volume(0.7093, 0.0), 0.0, 1e-15);
  // Small openings: sin a (a - sin a cos a) ~ 2 a^4 / 3, so V ~ (8 pi / 3) a^4 / lambda^3
  // and the share ~ a / 4 (a = 1 degree in radians).
  const double a = PI / 180;
  EXPECT_NEAR(accessible_volume(1, 1) / (8 * PI / 3 * std::pow(a, 4)), 1, 1e-3);
  EXPECT_NEAR(accessible_share(1) / (a / 4), 1, 1e-3);
}

// The integral the closed form comes from, V = (32 pi / lambda^3) x
// integral_0^Psi sin(Psi - theta) sin^2(theta) cos(theta) dtheta, by Simpson's rule.
TEST(AccessibleVolume, IsTheIntegralOfTheBandOverTheShells) {
  for (double psi_deg : {5.0, 20.0, 35.0, 50.0, 70.0, 90.0}) {
    SCOPED_TRACE(psi_deg);
    const double psi = psi_deg * PI / 180, lambda = 0.71073;
    const int n = 2000;  // even
    auto f = [&](double t) { return std::sin(psi - t) * std::sin(t) * std::sin(t) * std::cos(t); };
    double sum = f(0) + f(psi);
    for (int i = 1; i < n; ++i)
      sum += (i % 2 ? 4 : 2) * f(psi * i / n);
    const double integral = sum * psi / n / 3;
    EXPECT_NEAR(32 * PI / std::pow(lambda, 3) * integral / accessible_volume(lambda, psi_deg), 1, 1e-10);
  }
}

// The reflections of a cubic cell of 30 A that the filtering lets through, each
// standing for the reciprocal cell's volume 1 / a^3, fill the closed form's volume
// to within the lattice's graininess; the farthest lies just inside 2 sin(Psi) /
// lambda, and the reflections along the axis are never reached.
TEST(AccessibleVolume, IsWhatTheFilteringLetsThrough) {
  const struct {
    double psi;
    Vec3 axis;
  } cases[] = {{35, {0, 0, 1}}, {20, {1, 2, 3}}, {50, {1, -1, 0}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "Psi max " << c.psi << ", axis [" << c.axis[0] << ' ' << c.axis[1] << ' '
                                    << c.axis[2] << "]");
    const float a = 30, lambda = 0.7093f;
    RunSettings s;
    s.cell = {a, a, a, 90, 90, 90};
    s.wavelength = lambda;
    s.psi_max = static_cast<float>(c.psi);
    s.axis_kind = AxisKind::UVW;
    s.axis = c.axis;
    const AccessibilityRun run = prepare_accessibility(s, build_metric(s.cell));
    const double reach = 2 * std::sin(c.psi * PI / 180) / lambda;
    const int n = static_cast<int>(std::ceil(reach * a));
    long long accessible = 0;
    double farthest = 0;
    for (int h = -n; h <= n; ++h)
      for (int k = -n; k <= n; ++k)
        for (int l = -n; l <= n; ++l)
          if (is_accessible(run, h, k, l) == Accessibility::Accessible) {
            ++accessible;
            farthest = std::max(farthest, std::sqrt(double(h * h + k * k + l * l)) / a);
          }
    EXPECT_NEAR(accessible / std::pow(a, 3) / accessible_volume(lambda, c.psi), 1, 0.005);
    EXPECT_LT(farthest, reach);
    EXPECT_GT(farthest, reach - 1.5 / a);
    for (int m = 1; m <= 3; ++m)
      EXPECT_NE(is_accessible(run, m * int(c.axis[0]), m * int(c.axis[1]), m * int(c.axis[2])),
                Accessibility::Accessible);
  }
}

}  // namespace
}  // namespace zirel::planning
