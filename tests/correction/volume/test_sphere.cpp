// The crystal's own absorption for a sphere, integrated with the volume average's
// Gauss-Legendre rule, against closed forms derived here for the two beam geometries a
// reader can check by hand: 2 theta = 0 and 2 theta = 180 degrees.
//
// A = (1/V) integral of exp(-mu T) dV (International Tables for Crystallography Vol. C,
// 2006, eq. 6.3.3.1), T the sum of the incident and diffracted paths inside the crystal.
// Cut the sphere of radius r into chords parallel to the beam, at distance b from the
// centre: a chord has length L = 2 s, s = sqrt(r^2 - b^2), and its cross-section 2 pi b db
// = 2 pi s ds.
//  - 2 theta = 0: the diffracted beam goes on along the incident one, so from every
//    point of a chord T = L. The chord contributes L exp(-mu L) 2 pi s ds, and
//    A = (3 / r^3) integral_0^r s^2 exp(-2 mu s) ds
//      = 3 / (4 x^3) [1 - (1 + 2x + 2x^2) exp(-2x)],  x = mu r,
//    using integral_0^r s^2 exp(-k s) ds = 2/k^3 - exp(-k r)(r^2/k + 2r/k^2 + 2/k^3).
//  - 2 theta = 180 degrees: the diffracted beam goes back along the incident one, so
//    T = 2 d, d the distance to the surface towards the source, and along the chord
//    integral_0^L exp(-2 mu d) dd = (1 - exp(-2 mu L)) / (2 mu). Then
//    A = (3 / (4 mu r^3)) integral_0^r s (1 - exp(-4 mu s)) ds
//      = 3 / (4x) [1/2 - 1/(16 x^2) + (1/(4x) + 1/(16 x^2)) exp(-4x)],
//    using integral_0^r s exp(-q s) ds = 1/q^2 - exp(-q r)(r/q + 1/q^2).
// Both tend to 1 as x -> 0 (the series of the brackets start at 4x^3/3 and 4x/3).
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include "correction/volume/gauss_legendre.h"

namespace zirel::correction {
namespace {

struct V3 {
  double x, y, z;
};

double dot(const V3& a, const V3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// From p inside the sphere of radius r about the origin along the unit vector u to its
// surface: the positive root of |p + t u| = r.
double to_surface(const V3& p, const V3& u, double r) {
  const double pu = dot(p, u);
  return -pu + std::sqrt(std::max(0.0, pu * pu - dot(p, p) + r * r));
}

// The product rule in spherical coordinates (radius, cos of the polar angle, azimuth),
// each with n Gauss-Legendre points, the volume element rho^2 d rho d cos d phi.
double sphere_transmission(double mu, double r, const V3& to_source, const V3& diffracted, int n) {
  const GaussRule& g = gauss_legendre_shared(n);
  double sum = 0, weight = 0;
  for (int i = 0; i < n; ++i) {
    const double rho = r * (g.nodes[i] + 1) / 2;
    for (int j = 0; j < n; ++j) {
      const double c = g.nodes[j], s = std::sqrt(1 - c * c);
      for (int k = 0; k < n; ++k) {
        const double phi = std::numbers::pi * (g.nodes[k] + 1);
        const V3 p{rho * s * std::cos(phi), rho * s * std::sin(phi), rho * c};
        const double w = g.weights[i] * g.weights[j] * g.weights[k] * rho * rho;
        sum += w * std::exp(-mu * (to_surface(p, to_source, r) + to_surface(p, diffracted, r)));
        weight += w;
      }
    }
  }
  return sum / weight;
}

double forward(double x) { return 3 / (4 * x * x * x) * (1 - (1 + 2 * x + 2 * x * x) * std::exp(-2 * x)); }

double backward(double x) {
  return 3 / (4 * x) * (0.5 - 1 / (16 * x * x) + (1 / (4 * x) + 1 / (16 * x * x)) * std::exp(-4 * x));
}

struct SphereCase {
  const char* name;
  double mu_r;
  double tolerance;  // relative: the rule converges slower as the skin that transmits thins
};
void PrintTo(const SphereCase& c, std::ostream* os) { *os << c.name; }
class Sphere : public ::testing::TestWithParam<SphereCase> {};

TEST_P(Sphere, MatchesTheClosedFormsAtZeroAndHalfATurn) {
  const double r = 0.05, mu = GetParam().mu_r / r;  // a 0.1 mm sphere
  const V3 beam{0.6, 0, 0.8};
  const V3 back{-0.6, 0, -0.8};
  // 2 theta = 0: the path towards the source and the diffracted one are opposite.
  const double a0 = forward(GetParam().mu_r), a180 = backward(GetParam().mu_r);
  EXPECT_NEAR(sphere_transmission(mu, r, back, beam, 48), a0, GetParam().tolerance * a0);
  // 2 theta = 180 degrees: both leave the same way, towards the source.
  EXPECT_NEAR(sphere_transmission(mu, r, beam, beam, 48), a180, GetParam().tolerance * a180);
}
INSTANTIATE_TEST_SUITE_P(Absorptions, Sphere,
                         ::testing::Values(SphereCase{"weak_0_1", 0.1, 2e-5}, SphereCase{"half", 0.5, 2e-5},
                                           SphereCase{"one", 1.0, 2e-5}, SphereCase{"strong_2", 2.0, 2e-5},
                                           SphereCase{"very_strong_5", 5.0, 5e-4}),
                         [](const auto& info) { return std::string(info.param.name); });

// The closed forms themselves: weak absorption takes off mu times the mean path, which
// is the volume-weighted mean chord (3 / r^3) integral_0^r 2s s^2 ds = 3r/2 for both
// geometries; mu r = 1 at 2 theta = 0 is 3/4 (1 - 5 exp(-2)) by hand; strong absorption
// leaves A -> 3 / (4 x^3) forward (only a skin about 1/mu deep transmits).
TEST(Sphere, ClosedFormsAgreeWithTheirLimits) {
  EXPECT_NEAR(forward(1e-3), 1 - 1.5e-3, 2e-6);
  EXPECT_NEAR(backward(1e-3), 1 - 1.5e-3, 2e-6);
  EXPECT_NEAR(forward(1.0), 0.75 * (1 - 5 * std::exp(-2.0)), 1e-15);
  EXPECT_NEAR(forward(20.0) * 4 * 8000 / 3, 1.0, 1e-12);
}

}  // namespace
}  // namespace zirel::correction
