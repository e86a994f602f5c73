// Refusals, path lengths by hand, and the angles where the gasket's shadow begins.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "correction/volume/geometry.h"
#include "correction/volume/paths.h"
#include "correction/volume/shadow_angles.h"
#include "tests/correction/volume/beams.h"

namespace zirel::correction {
namespace {

using testing_beams::beam;
using testing_beams::DEG;

// A 150 um hole in an 80 um gasket.
Gasket opaque_gasket() {
  Gasket g;
  g.present = true;
  g.opaque = true;
  g.thickness = 0.08;
  g.hole_diameter = 0.15;
  return g;
}

Crystal plate(double d, double t, Side side = Side::minus) {
  Crystal c;
  c.shape = CrystalShape::plate;
  c.diameter = d;
  c.thickness = t;
  c.side = side;
  return c;
}

PreparedVolume prepared(const Gasket& g, const Crystal& c) {
  const VolumePreparation p = prepare_volume({g, c});
  EXPECT_FALSE(p.refusal) << p.refusal->parameter;
  return *p.volume;
}

struct RefusalCase {
  const char* name;
  Gasket gasket;
  Crystal crystal;
  std::string parameter;
};
void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class Refusal : public testing::TestWithParam<RefusalCase> {};

TEST_P(Refusal, NamesTheParameter) {
  const VolumePreparation p = prepare_volume({GetParam().gasket, GetParam().crystal});
  ASSERT_TRUE(p.refusal);
  EXPECT_FALSE(p.volume);
  EXPECT_EQ(p.refusal->parameter, GetParam().parameter) << p.refusal->message;
}

Gasket with_thickness(double t) { Gasket g = opaque_gasket(); g.thickness = t; return g; }
Gasket with_hole(double d) { Gasket g = opaque_gasket(); g.hole_diameter = d; return g; }
Gasket with_mu(double mu) { Gasket g = opaque_gasket(); g.opaque = false; g.mu = mu; return g; }
Crystal offset(Crystal c, double x, double y) { c.offset_x = x; c.offset_y = y; return c; }
Crystal with_crystal_mu(Crystal c, double mu) { c.mu = mu; return c; }
Crystal box(double a, double b, double c, double angle = 0) {
  Crystal k;
  k.shape = CrystalShape::box;
  k.edge_a = a; k.edge_b = b; k.edge_c = c; k.angle_deg = angle;
  return k;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Refusal,
    testing::Values(
        RefusalCase{"zero_gasket_thickness", with_thickness(0), plate(0.06, 0.02), "gasket.thickness"},
        RefusalCase{"negative_hole", with_hole(-0.1), plate(0.06, 0.02), "gasket.hole_diameter"},
        RefusalCase{"gasket_mu_nan", with_mu(NAN), plate(0.06, 0.02), "gasket.mu"},
        RefusalCase{"gasket_mu_negative", with_mu(-1), plate(0.06, 0.02), "gasket.mu"},
        RefusalCase{"no_crystal_with_gasket", opaque_gasket(), Crystal{}, "crystal"},
        RefusalCase{"zero_diameter", opaque_gasket(), plate(0, 0.02), "crystal.diameter"},
        RefusalCase{"zero_thickness", opaque_gasket(), plate(0.06, 0), "crystal.thickness"},
        RefusalCase{"taller_than_chamber", opaque_gasket(), plate(0.06, 0.09), "crystal.thickness"},
        RefusalCase{"box_taller_than_chamber", opaque_gasket(), box(0.05, 0.04, 0.081), "crystal.edges"},
        RefusalCase{"box_zero_edge", opaque_gasket(), box(0.05, 0, 0.02), "crystal.edges"},
        // A crystal larger than the hole cannot lie in it.
        RefusalCase{"plate_wider_than_hole", opaque_gasket(), plate(0.16, 0.02), "crystal.offset"},
        RefusalCase{"plate_pushed_out", opaque_gasket(), offset(plate(0.06, 0.02), 0.05, 0), "crystal.offset"},
        // The box's diagonal is 0.1601 mm, wider than the 0.15 mm hole, at any angle.
        RefusalCase{"box_corner_outside", opaque_gasket(), box(0.12, 0.096, 0.02, 30), "crystal.offset"},
        RefusalCase{"crystal_mu_negative", opaque_gasket(), with_crystal_mu(plate(0.06, 0.02), -2), "crystal.mu"}),
    [](const auto& info) { return std::string(info.param.name); });

// Paths worked out by hand for a point on the axis 0.02 mm above the - culet, in a
// hole of radius R = 0.075 mm, chamber 0.08 mm: going up at theta the path reaches the
// wall after R / sin(theta) and the + culet after 0.06 / cos(theta).
struct PathCase {
  const char* name;
  double theta_deg, phi_deg;
  bool up;
  double expected_mm;
};
void PrintTo(const PathCase& c, std::ostream* os) { *os << c.name; }

class GasketPath : public testing::TestWithParam<PathCase> {};

TEST_P(GasketPath, MatchesTheHandCalculation) {
  Crystal point;
  point.shape = CrystalShape::point;
  point.height = 0.02;
  const PreparedVolume v = prepared(opaque_gasket(), point);
  const PathCase& c = GetParam();
  const double got = gasket_path(v, {0, 0, 0.02}, beam(c.theta_deg, c.phi_deg, c.up));
  if (std::isinf(c.expected_mm))
    EXPECT_GT(got, 1e12);  // cos 90 degrees is 6e-17 in doubles, not 0
  else
    EXPECT_NEAR(got, c.expected_mm, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GasketPath,
    testing::Values(PathCase{"along_axis", 0, 0, true, 0},
                    PathCase{"up_below_onset", 51, 0, true, 0},
                    PathCase{"up_60", 60, 33, true, 0.06 / std::cos(60 / DEG) - 0.075 / std::sin(60 / DEG)},
                    PathCase{"down_74_still_clear", 74, 200, false, 0},
                    PathCase{"down_80", 80, 200, false, 0.02 / std::cos(80 / DEG) - 0.075 / std::sin(80 / DEG)},
                    PathCase{"parallel_to_culets", 90, 10, true, INFINITY}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CrystalPath, PlateExitsByTheFaceOrTheRim) {
  // A plate of radius 0.03 mm, 0.02 mm thick, on the - culet; from its centre.
  const PreparedVolume v = prepared(opaque_gasket(), plate(0.06, 0.02));
  const Vec3 centre{0, 0, 0.01};
  EXPECT_NEAR(crystal_path(v, centre, beam(0, 0, true)), 0.01, 1e-15);
  EXPECT_NEAR(crystal_path(v, centre, beam(60, 0, false)), 0.02, 1e-15);    // 0.01 / cos 60
  EXPECT_NEAR(crystal_path(v, centre, beam(90, 45, true)), 0.03, 1e-15);    // the rim
  EXPECT_NEAR(crystal_path(v, {0.01, 0, 0.01}, beam(90, 180, true)), 0.04, 1e-15);
}

TEST(CrystalPath, BoxTurnedInThePlane) {
  // Edge a (0.04) at 90 degrees lies along y: from the centre along +y, half of a.
  const PreparedVolume v = prepared(opaque_gasket(), box(0.04, 0.02, 0.01, 90));
  EXPECT_NEAR(crystal_path(v, {0, 0, 0.005}, beam(90, 90, true)), 0.02, 1e-15);
  EXPECT_NEAR(crystal_path(v, {0, 0, 0.005}, beam(90, 0, true)), 0.01, 1e-15);
  EXPECT_NEAR(crystal_path(v, {0, 0, 0.005}, beam(45, 0, true)), 0.005 * std::sqrt(2.0), 1e-15);
}

// Shadow angles by hand (R = 0.075 mm, chamber 0.08 mm). A path from height H above
// the culet it leaves through, at distance r from the axis, first meets the wall at
// tan(theta) = (R - r) / H, in the azimuth pointing away from the axis; a point on
// the axis 0.02 mm above the - culet is 0.06 mm below the + culet, so beams leaving
// through + are shadowed from atan(0.075 / 0.06) = 51.34 degrees, beams leaving
// through - only from atan(0.075 / 0.02) = 75.07 degrees.
struct AngleCase {
  const char* name;
  Crystal crystal;
  Side exit;
  double onset_deg, full_deg;
};
// Named in the test list by what it is, not by its bytes.
void PrintTo(const AngleCase& c, std::ostream* os) { *os << c.name; }

Crystal point_at(double z, double x = 0) {
  Crystal c;
  c.shape = CrystalShape::point;
  c.height = z;
  c.offset_x = x;
  return c;
}

class Angles : public testing::TestWithParam<AngleCase> {};

TEST_P(Angles, MatchTheHandCalculation) {
  const AngleCase& c = GetParam();
  const ShadowAngles a = shadow_angles(prepared(opaque_gasket(), c.crystal), c.exit);
  EXPECT_NEAR(a.onset_deg, c.onset_deg, 1e-9);
  EXPECT_NEAR(a.full_deg, c.full_deg, 1e-6);
}

Crystal on_plus(Crystal c) { c.side = Side::plus; return c; }

double atand(double x) { return std::atan(x) * DEG; }

INSTANTIATE_TEST_SUITE_P(
    Cases, Angles,
    testing::Values(
        AngleCase{"point_leaving_up", point_at(0.02), Side::plus, atand(0.075 / 0.06), atand(0.075 / 0.06)},
        AngleCase{"point_leaving_down", point_at(0.02), Side::minus, atand(0.075 / 0.02), atand(0.075 / 0.02)},
        // Off the axis by 0.025: shadow from (R - 0.025) / H towards +x; the last
        // azimuth to close is -x, at (R + 0.025) / H.
        AngleCase{"offset_point", point_at(0.02, 0.025), Side::plus, atand(0.05 / 0.06), atand(0.1 / 0.06)},
        // A plate of radius 0.03, 0.02 thick on the - culet: the bottom rim is 0.08
        // below the + culet, the top face 0.06; all of it shadowed when even the top
        // face's far rim is past the wall, (R + a) / 0.06.
        AngleCase{"plate_leaving_up", plate(0.06, 0.02), Side::plus, atand(0.045 / 0.08), atand(0.105 / 0.06)},
        // Its bottom touches the - culet: beams leaving through - are never all blocked.
        AngleCase{"plate_leaving_down", plate(0.06, 0.02), Side::minus, atand(0.045 / 0.02), 90},
        // A plate as wide as the hole is shadowed from the first tilt.
        AngleCase{"plate_fills_hole", plate(0.15, 0.02), Side::plus, 0, atand(0.15 / 0.06)},
        // A box 0.04 x 0.04 x 0.02 on the + culet: its corners lie 0.02 * sqrt(2)
        // from the axis, the lowest 0.08 above the - culet.
        AngleCase{"box_leaving_down", on_plus(box(0.04, 0.04, 0.02)), Side::minus, atand((0.075 - 0.02 * std::sqrt(2.0)) / 0.08),
                  atand((0.075 + 0.02 * std::sqrt(2.0)) / 0.06)}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zirel::correction
