// The values the correction's picture draws: one beam's transmission by direction on
// each side, against cases a reader can check by hand, and the sample of measured beams.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include "correction/dac_description.h"
#include "correction/transmission_map.h"
#include "correction/volume/shadow_angles.h"
#include "tests/correction/mo_run.h"

namespace zirel::correction {
namespace {

constexpr double DEG = std::numbers::pi / 180;
const std::string ANVILS = "[anvil]\nheight_mm = 1.6\n[seat]\nopening_deg = 38\n";
const std::string STEEL = "[gasket]\nmaterial = \"Fe\"\ndensity_g_cm3 = 7.874\nthickness_mm = 0.08\nhole_diameter_mm = 0.15\n";
const std::string OPAQUE = "[gasket]\nopaque = true\nthickness_mm = 0.08\nhole_diameter_mm = 0.15\n";
const std::string PLATE = "[crystal]\nlies_on = \"cylinder\"\ndiameter_mm = 0.06\nthickness_mm = 0.02\n";
const std::string QUARTZ = "material = \"SiO2\"\ndensity_g_cm3 = 2.65\n";

PreparedCorrection prepared(const std::string& toml) {
  const RunSettings s = testing_run::mo_run();
  const DacRead r = read_dac_description(ANVILS + toml, "cell.toml", {});
  EXPECT_TRUE(r.dac) << r.error;
  CorrectionPreparation p = prepare_correction({s, r.dac.value_or(DacDescription{})});
  EXPECT_TRUE(p.prepared) << (p.refusal ? p.refusal->message : "");
  return std::move(p.prepared.value());
}

// The flat layers' factor of a beam at `polar` to the axis: Beer-Lambert through the
// anvil, path t / cos polar.
double flat(const PreparedCorrection& p, bool plus, double polar_deg) {
  return std::exp(-(plus ? p.plus : p.minus).attenuation_length / std::cos(polar_deg * DEG));
}

// A point crystal at height h above the - culet under an opaque gasket (thickness H,
// hole radius R): a beam up sees the wall once its path to the + culet, (H - h) tan
// polar, passes R; a beam down once h tan polar does. Inside, only the flat layers act.
struct PointCase {
  const char* name;
  double height;  // mm above the - culet
  bool plus;
};
void PrintTo(const PointCase& c, std::ostream* os) { *os << c.name; }
class PointCrystal : public ::testing::TestWithParam<PointCase> {};
TEST_P(PointCrystal, IsTheFlatLayersInsideTheHoleAndNothingBeyond) {
  PreparedCorrection p = prepared("");
  VolumeGeometry g;
  g.gasket = {true, true, 0, 0.08, 0.15};
  g.crystal.shape = CrystalShape::point;
  g.crystal.height = GetParam().height;
  VolumePreparation v = prepare_volume(g);
  ASSERT_TRUE(v.volume);
  p.volume = std::make_shared<const PreparedVolume>(*v.volume);
  const bool plus = GetParam().plus;
  const double rise = plus ? 0.08 - GetParam().height : GetParam().height;
  const double edge = std::atan(0.075 / rise) / DEG;
  for (double azimuth : {0.0, 77.0, 200.0, 333.0})
    for (double polar : {0.0, edge / 2, edge - 0.2, edge + 0.2, 37.5}) {
      const double t = single_beam_transmission(p, side_direction(plus, polar, azimuth));
      const double expected = polar < edge && polar < 38 ? flat(p, plus, polar) : 0.0;
      EXPECT_NEAR(t, expected, 1e-12) << "polar " << polar << " azimuth " << azimuth << " edge " << edge;
    }
  // Beyond the opening the seat blocks every beam, whatever the gasket does.
  EXPECT_EQ(single_beam_transmission(p, side_direction(plus, 38.5, 10)), 0.0);
}
INSTANTIATE_TEST_SUITE_P(Heights, PointCrystal,
                         ::testing::Values(PointCase{"low_beam_up", 0.0, true}, PointCase{"mid_beam_up", 0.04, true},
                                           PointCase{"mid_beam_down", 0.04, false},
                                           PointCase{"high_beam_down", 0.07, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// A crystal centred in the hole looks the same from every azimuth: each ring's cells
// agree (to the volume average's convergence; the product rule used with the crystal's
// own mu turns its nodes with the beam, so there to rounding).
struct SymmetryCase {
  const char* name;
  std::string toml;
  double tolerance;  // relative, within a ring
};
void PrintTo(const SymmetryCase& c, std::ostream* os) { *os << c.name; }
class CentredCrystal : public ::testing::TestWithParam<SymmetryCase> {};
TEST_P(CentredCrystal, IsSymmetricInAzimuth) {
  const PreparedCorrection p = prepared(GetParam().toml);
  const TransmissionMap map = transmission_map(p, 2);
  for (const SideTransmission* side : {&map.plus, &map.minus}) {
    std::size_t start = 0;
    for (int ring = 0; ring < side->ring_count(); ++ring) {
      const int size = side->ring_size[ring];
      const double first = side->transmission[start];
      for (int j = 1; j < size; ++j)
        ASSERT_NEAR(side->transmission[start + j] / first, 1.0, GetParam().tolerance)
            << (side->plus ? "+" : "-") << " ring " << ring << " cell " << j;
      start += size;
    }
    EXPECT_EQ(start, side->transmission.size());
  }
}
INSTANTIATE_TEST_SUITE_P(Chambers, CentredCrystal,
                         ::testing::Values(SymmetryCase{"steel_gasket", STEEL + PLATE, 1e-6},
                                           SymmetryCase{"opaque_gasket", OPAQUE + PLATE, 1e-6},
                                           SymmetryCase{"steel_and_quartz", STEEL + PLATE + QUARTZ, 1e-12},
                                           SymmetryCase{"quartz_alone", PLATE + QUARTZ, 1e-12}),
                         [](const auto& info) { return std::string(info.param.name); });

// The product rule (used with the crystal's own mu) against the exact volume average on
// the same chamber, with the picture's 12 points: a crystal mu too small to matter makes
// the two comparable. An opaque wall's edge is a step the rule only approaches, so it is
// allowed more.
const std::string BOX = "[crystal]\nshape = \"box\"\nlies_on = \"piston\"\nedge_a_mm = 0.06\nedge_b_mm = 0.04\n"
                        "edge_c_mm = 0.03\nangle_deg = 30\noffset_x_mm = 0.02\n";
struct RuleCase {
  const char* name;
  std::string toml;
  double tolerance;  // absolute, on a factor in [0, 1]
};
void PrintTo(const RuleCase& c, std::ostream* os) { *os << c.name; }
class ProductRule : public ::testing::TestWithParam<RuleCase> {};
TEST_P(ProductRule, AgreesWithTheExactAverage) {
  const PreparedCorrection exact = prepared(GetParam().toml);
  PreparedVolume tiny = *exact.volume;
  tiny.crystal.mu = 1e-12;
  for (bool up : {true, false})
    for (double polar : {5.0, 15.0, 25.0, 31.0, 37.0})
      for (double azimuth : {0.0, 45.0, 160.0, 300.0}) {
        const Vec3d d = side_direction(up, polar, azimuth);
        const Vec3 u{d[0], d[1], d[2]};
        const double a = single_beam_volume_factor(tiny, u), b = single_beam_volume_factor(*exact.volume, u);
        EXPECT_NEAR(a, b, GetParam().tolerance) << (up ? "+" : "-") << polar << " " << azimuth;
      }
}
INSTANTIATE_TEST_SUITE_P(Chambers, ProductRule,
                         ::testing::Values(RuleCase{"steel_plate", STEEL + PLATE, 5e-4},
                                           RuleCase{"steel_box_offset", STEEL + BOX, 5e-4},
                                           RuleCase{"opaque_plate", OPAQUE + PLATE, 1e-2},
                                           RuleCase{"opaque_box_offset", OPAQUE + BOX, 1e-2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TransmissionMap, CirclesAreTheShadowAnglesAndTheOpening) {
  const PreparedCorrection p = prepared(STEEL + PLATE);
  const TransmissionMap map = transmission_map(p);
  const ShadowAngles up = shadow_angles(*p.volume, Side::plus), down = shadow_angles(*p.volume, Side::minus);
  EXPECT_EQ(map.plus.shadow_onset_deg, up.onset_deg);
  EXPECT_EQ(map.plus.shadow_full_deg, up.full_deg);
  EXPECT_EQ(map.minus.shadow_onset_deg, down.onset_deg);
  EXPECT_EQ(map.minus.shadow_full_deg, down.full_deg);
  EXPECT_EQ(map.plus.opening_deg, 38);
  EXPECT_EQ(map.minus.opening_deg, 38);
  // Rings of one degree from the axis to the opening; the on-axis beam has only the anvil.
  EXPECT_EQ(map.plus.ring_count(), 38);
  EXPECT_NEAR(map.plus.transmission[0], flat(p, true, 0.5), 1e-12);
  // Without a chamber: no shadow, and every cell the flat layers' factor.
  const TransmissionMap bare = transmission_map(prepared(""));
  EXPECT_EQ(bare.plus.shadow_onset_deg, 90);
  EXPECT_NEAR(bare.minus.transmission.back(), flat(p, false, 37.5), 1e-12);
}

TEST(BeamSample, KeepsAFixedNumberPerSideTheSameEveryRun) {
  auto draw = [](std::size_t limit, int count) {
    BeamSample sample(limit);
    for (int i = 0; i < count; ++i) {
      const double polar = 0.01 * (i % 3000), azimuth = (i * 7) % 360;
      sample.add(side_direction(i % 3 != 0, polar, azimuth));
    }
    TransmissionMap map;
    sample.fill(map);
    return map;
  };
  const TransmissionMap a = draw(100, 30000), b = draw(100, 30000);
  EXPECT_EQ(a.plus.beams_seen, 20000);
  EXPECT_EQ(a.minus.beams_seen, 10000);
  ASSERT_EQ(a.plus.beams.size(), 100u);
  ASSERT_EQ(a.minus.beams.size(), 100u);
  for (std::size_t i = 0; i < a.plus.beams.size(); ++i) {
    EXPECT_EQ(a.plus.beams[i].polar_deg, b.plus.beams[i].polar_deg);
    EXPECT_EQ(a.plus.beams[i].azimuth_deg, b.plus.beams[i].azimuth_deg);
  }
  // A sample, not the first hundred: it reaches into the whole stream.
  double latest = 0;
  for (const SideDirection& d : a.plus.beams)
    latest = std::max(latest, d.polar_deg);
  EXPECT_GT(latest, 20.0);
  // Fewer beams than the limit: every one of them, with its direction.
  const TransmissionMap few = draw(100, 30);
  EXPECT_EQ(few.plus.beams.size(), 20u);
  EXPECT_NEAR(few.plus.beams[1].polar_deg, 0.02, 1e-9);
  EXPECT_NEAR(few.plus.beams[1].azimuth_deg, 14, 1e-9);
}

}  // namespace
}  // namespace zirel::correction
