// The volume average against cases with a known answer, and its convergence.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "correction/volume/geometry.h"
#include "correction/volume/shadow_angles.h"
#include "correction/volume/volume_average.h"
#include "tests/correction/volume/beams.h"

namespace zirel::correction {
namespace {

using testing_beams::beam;
using testing_beams::DEG;

Gasket gasket(bool opaque, double mu = 0) {
  Gasket g;
  g.present = true;
  g.opaque = opaque;
  g.mu = mu;
  g.thickness = 0.08;
  g.hole_diameter = 0.15;
  return g;
}

Crystal plate(double d, double t, double mu = 0, double x = 0, double y = 0) {
  Crystal c;
  c.shape = CrystalShape::plate;
  c.diameter = d;
  c.thickness = t;
  c.mu = mu;
  c.offset_x = x;
  c.offset_y = y;
  return c;
}

Crystal box(double a, double b, double c, double angle, double mu) {
  Crystal k;
  k.shape = CrystalShape::box;
  k.edge_a = a; k.edge_b = b; k.edge_c = c; k.angle_deg = angle; k.mu = mu;
  k.side = Side::plus;
  return k;
}

PreparedVolume prepared(const Gasket& g, const Crystal& c) {
  const VolumePreparation p = prepare_volume({g, c});
  EXPECT_FALSE(p.refusal) << p.refusal->message;
  return *p.volume;
}

TEST(VolumeAverage, NothingDescribedIsExactlyOne) {
  const PreparedVolume v = prepared(Gasket{}, plate(0.06, 0.02));
  for (double theta : {0.0, 30.0, 89.0})
    EXPECT_EQ(volume_average(v, beam(theta, 10, false), beam(theta / 2, 200, true)), 1.0);
  EXPECT_EQ(volume_average(prepared(Gasket{}, Crystal{}), beam(40, 0, true), beam(40, 0, false)), 1.0);
}

// A point on the axis 0.02 mm above the - culet: beams leaving through + pass below
// atan(R / H) = atan(0.075 / 0.06) = 51.34 degrees and are blocked above it; through
// -, H = 0.02 and the limit is 75.07 degrees.
TEST(VolumeAverage, PointCrystalShadowBeginsAtAtanROverH) {
  Crystal point;
  point.shape = CrystalShape::point;
  point.height = 0.02;
  const PreparedVolume v = prepared(gasket(true), point);
  const double up = std::atan(0.075 / 0.06) * DEG, down = std::atan(0.075 / 0.02) * DEG;
  for (double phi : {0.0, 77.0, 180.0, 300.0}) {
    EXPECT_EQ(volume_average(v, beam(up - 1e-6, phi, true), beam(0, 0, false)), 1.0);
    EXPECT_EQ(volume_average(v, beam(up + 1e-6, phi, true), beam(0, 0, false)), 0.0);
    EXPECT_EQ(volume_average(v, beam(0, 0, true), beam(down - 1e-6, phi, false)), 1.0);
    EXPECT_EQ(volume_average(v, beam(0, 0, true), beam(down + 1e-6, phi, false)), 0.0);
  }
}

// Thin plate of thickness t, beams at phi1, phi2 to its normal, integrating
// exp(-mu (L1 + L2)) over the depth z (L = depth to the face left / cos):
//   opposite faces: A = (exp(-mu t sec phi1) - exp(-mu t sec phi2)) / (mu t (sec phi2 - sec phi1)),
//   the same face:  A = (1 - exp(-mu t (sec phi1 + sec phi2))) / (mu t (sec phi1 + sec phi2)),
// eq. 6.3.3.1 of International Tables for Crystallography Vol. C (2006) integrated over
// the depth by hand (its Table 6.3.3.1 lists the slab's cases). A plate 2000 mm wide and 0.01 mm thick is "infinite" to 1e-5.
struct PlateCase {
  const char* name;
  double phi1, phi2;
  bool same_face;
};
void PrintTo(const PlateCase& c, std::ostream* os) { *os << c.name; }

class ThinPlate : public testing::TestWithParam<PlateCase> {};

TEST_P(ThinPlate, MatchesTheClosedForm) {
  const PlateCase& c = GetParam();
  const double mu = 100, t = 0.01;  // mu t = 1
  const PreparedVolume v = prepared(Gasket{}, plate(2000, t, mu));
  const double s1 = 1 / std::cos(c.phi1 / DEG), s2 = 1 / std::cos(c.phi2 / DEG);
  const double expected = c.same_face
                              ? (1 - std::exp(-mu * t * (s1 + s2))) / (mu * t * (s1 + s2))
                              : (std::exp(-mu * t * s1) - std::exp(-mu * t * s2)) / (mu * t * (s2 - s1));
  const double got = volume_average(v, beam(c.phi1, 0, true), beam(c.phi2, 120, c.same_face));
  EXPECT_NEAR(got / expected - 1, 0, 1e-5) << got << " " << expected;
}

INSTANTIATE_TEST_SUITE_P(Cases, ThinPlate,
                         testing::Values(PlateCase{"opposite_10_30", 10, 30, false},
                                         PlateCase{"opposite_0_40", 0, 40, false},
                                         PlateCase{"same_20_35", 20, 35, true},
                                         PlateCase{"same_0_0", 0, 0, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// The rule converges: twice the points in every direction changes V by less than
// 1e-4 relative, across the onset and at grazing beams, for the shapes and gaskets.
struct ConvergenceCase {
  const char* name;
  Gasket gasket;
  Crystal crystal;
};
// Named in the test list by what it is, not by its bytes.
void PrintTo(const ConvergenceCase& c, std::ostream* os) { *os << c.name; }

class Convergence : public testing::TestWithParam<ConvergenceCase> {};

TEST_P(Convergence, FinerGridChangesLessThan1e4) {
  const PreparedVolume v = prepared(GetParam().gasket, GetParam().crystal);
  const ShadowAngles up = shadow_angles(v, Side::plus), down = shadow_angles(v, Side::minus);
  const VolumeGrid fine{20, 20, 16};
  int checked = 0;
  for (double f : {0.0, 0.3, 0.7, 1.0, 1.2})
    for (double phi : {0.0, 65.0, 180.0}) {
      const double tin = std::min(89.0, up.onset_deg + f * (up.full_deg - up.onset_deg));
      const double tout = std::min(89.0, down.onset_deg * (0.5 + 0.5 * f));
      const Vec3 in = beam(tin, phi, true), out = beam(tout, phi + 150, false);
      const double coarse = volume_average(v, in, out), finer = volume_average(v, in, out, fine);
      if (finer < 1e-3)
        continue;  // nearly all shadowed: the relative change says little
      EXPECT_NEAR(coarse / finer - 1, 0, 1e-4) << coarse << " " << finer << " theta " << tin << " / " << tout << " phi " << phi;
      ++checked;
    }
  EXPECT_GT(checked, 5);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Convergence,
    testing::Values(ConvergenceCase{"opaque_plate", gasket(true), plate(0.06, 0.02)},
                    ConvergenceCase{"opaque_plate_absorbing", gasket(true), plate(0.06, 0.02, 5)},
                    ConvergenceCase{"opaque_offset_plate", gasket(true), plate(0.06, 0.02, 5, 0.02, -0.01)},
                    ConvergenceCase{"steel_plate_absorbing", gasket(false, 20), plate(0.08, 0.03, 10)},
                    ConvergenceCase{"opaque_box", gasket(true), box(0.06, 0.04, 0.025, 30, 8)},
                    ConvergenceCase{"steel_box", gasket(false, 20), box(0.06, 0.04, 0.025, 30, 8)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(VolumeAverage, TransparentGasketNeverGivesZero) {
  const PreparedVolume v = prepared(gasket(false, 10), plate(0.06, 0.02, 3));
  for (double theta = 0; theta < 89.5; theta += 5) {
    const double V = volume_average(v, beam(theta, 30, true), beam(theta, 250, false));
    EXPECT_GT(V, 0) << theta;
    EXPECT_LE(V, 1) << theta;
  }
}

// Offset towards +x: a beam leaving towards +x meets the nearer wall first.
TEST(VolumeAverage, OffsetCrystalIsNoLongerSymmetricInAzimuth) {
  const PreparedVolume centred = prepared(gasket(true), plate(0.06, 0.02));
  const PreparedVolume moved = prepared(gasket(true), plate(0.06, 0.02, 0, 0.02, 0));
  const Vec3 down = beam(0, 0, false);
  for (double theta : {35.0, 45.0}) {
    EXPECT_NEAR(volume_average(centred, beam(theta, 0, true), down),
                volume_average(centred, beam(theta, 180, true), down), 1e-12);
    EXPECT_LT(volume_average(moved, beam(theta, 0, true), down),
              volume_average(moved, beam(theta, 180, true), down) - 0.05);
  }
  // Below the offset crystal's onset nothing is shadowed, above its full angle all is.
  const ShadowAngles a = shadow_angles(moved, Side::plus);
  EXPECT_NEAR(volume_average(moved, beam(a.onset_deg - 0.01, 0, true), down), 1.0, 1e-14);
  EXPECT_NEAR(volume_average(moved, beam(a.full_deg + 0.01, 180, true), down), 0.0, 1e-14);
  EXPECT_GT(volume_average(moved, beam(a.onset_deg + 0.5, 0, true), down), 0.9);
}

}  // namespace
}  // namespace zirel::correction
