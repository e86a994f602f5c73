// The crystal's own absorption with the integral along the axis in closed form: by hand
// for beams along the axis, and against the direct integration on random pairs of
// beams, grazing and lying in the plate's plane included.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "correction/volume/crystal_average.h"
#include "correction/volume/geometry.h"
#include "correction/volume/shadow_angles.h"
#include "correction/volume/volume_average.h"
#include "tests/correction/volume/beams.h"

namespace zirel::correction {
namespace {

using testing_beams::beam;

PreparedVolume plate(double diameter, double thickness, double mu) {
  VolumeGeometry g;
  g.crystal.shape = CrystalShape::plate;
  g.crystal.diameter = diameter;
  g.crystal.thickness = thickness;
  g.crystal.mu = mu;
  const VolumePreparation p = prepare_volume(g);
  EXPECT_FALSE(p.refusal);
  return *p.volume;
}

// Along the axis every path leaves by a flat face. Through opposite faces
// L_in + L_out = t everywhere, so A = exp(-mu t); through the same face from height z,
// L_in + L_out = 2 (t - z), so A = (1/t) integral_0^t exp(-2 mu (t - z)) dz
// = (1 - exp(-2 mu t)) / (2 mu t).
struct ByHand {
  const char* name;
  double mu, thickness;
  bool same_face;
};
void PrintTo(const ByHand& c, std::ostream* os) { *os << c.name; }
class CrystalAverageByHand : public testing::TestWithParam<ByHand> {};
TEST_P(CrystalAverageByHand, AlongTheAxis) {
  const ByHand& c = GetParam();
  const PreparedVolume v = plate(0.06, c.thickness, c.mu);
  const double x = c.mu * c.thickness;
  const double expected = c.same_face ? -std::expm1(-2 * x) / (2 * x) : std::exp(-x);
  const Vec3 up{0, 0, 1}, down{0, 0, -1};
  const std::optional<double> a = crystal_average(v, up, c.same_face ? up : down);
  ASSERT_TRUE(a);
  EXPECT_NEAR(*a / expected - 1, 0, 1e-12);
}
INSTANTIATE_TEST_SUITE_P(Plates, CrystalAverageByHand,
                         testing::Values(ByHand{"opposite_faces", 1, 0.02, false},
                                         ByHand{"opposite_faces_strong", 50, 0.03, false},
                                         ByHand{"same_face", 1, 0.02, true},
                                         ByHand{"same_face_weak", 1e-6, 0.02, true},
                                         ByHand{"same_face_strong", 50, 0.03, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// Random pairs on either side within 89 degrees of the axis, and pairs with a beam
// along the axis, grazing at 89.9 degrees or lying in the plate's plane.
std::vector<std::pair<Vec3, Vec3>> pairs() {
  std::vector<std::pair<Vec3, Vec3>> out;
  std::mt19937_64 rng(1995);
  std::uniform_real_distribution<double> theta(0, 89), phi(0, 360), side(0, 1);
  for (int i = 0; i < 60; ++i)
    out.push_back({beam(theta(rng), phi(rng), side(rng) < 0.8), beam(theta(rng), phi(rng), side(rng) < 0.2)});
  for (double edge : {0.0, 89.9, 90.0})
    for (double f : {0.0, 45.0, 200.0}) {
      out.push_back({beam(edge, f, true), beam(30, f + 100, false)});
      out.push_back({beam(20, f + 10, true), beam(edge, f + 180, false)});
    }
  return out;
}

struct Plate {
  const char* name;
  double diameter, thickness, mu;
};
void PrintTo(const Plate& p, std::ostream* os) { *os << p.name; }
class CrystalAverage : public testing::TestWithParam<Plate> {};
TEST_P(CrystalAverage, AgreesWithTheDirectIntegrationWithin1e4) {
  const PreparedVolume v = plate(GetParam().diameter, GetParam().thickness, GetParam().mu);
  int settled = 0, all = 0;
  for (const auto& [in, out] : pairs()) {
    ++all;
    // Finer than the usual grid: at 84 degrees and beyond through a strong absorber the
    // usual one is itself only good to 1e-5.
    const double direct = volume_average_direct(v, in, out, {20, 20, 16});
    // The rule of the fast path on its own, settled or not, and the path as the volume
    // average takes it.
    EXPECT_NEAR(crystal_average_rule(v, in, out, CRYSTAL_RULES.back().fine) / direct - 1, 0, 1e-4)
        << in.z << " " << out.z;
    if (const std::optional<double> a = crystal_average(v, in, out)) {
      ++settled;
      EXPECT_NEAR(*a / direct - 1, 0, 1e-4) << in.z << " " << out.z;
    }
    EXPECT_NEAR(volume_average(v, in, out) / direct - 1, 0, 1e-4) << in.z << " " << out.z;
  }
  // The fast path is the usual one, not the exception.
  EXPECT_GE(settled, all * 3 / 4);
}
INSTANTIATE_TEST_SUITE_P(Plates, CrystalAverage,
                         testing::Values(Plate{"thin_quartz", 0.06, 0.02, 1}, Plate{"thick", 0.05, 0.04, 5},
                                         Plate{"strong", 0.08, 0.03, 20}, Plate{"wide_weak", 0.12, 0.01, 0.2}),
                         [](const auto& info) { return std::string(info.param.name); });

// Beams that meet the wall of a steel or an opaque gasket, between the shadow's onset
// and its full extent: the fast path settles for most and agrees with the direct
// integration.
struct WallCase {
  const char* name;
  Gasket gasket;
  double crystal_mu;
};
void PrintTo(const WallCase& c, std::ostream* os) { *os << c.name; }
class CrystalAverageThroughTheWall : public testing::TestWithParam<WallCase> {};
TEST_P(CrystalAverageThroughTheWall, AgreesWithTheDirectIntegrationWithin1e4) {
  VolumeGeometry g;
  g.gasket = GetParam().gasket;
  g.crystal.shape = CrystalShape::plate;
  g.crystal.diameter = 0.06;
  g.crystal.thickness = 0.02;
  g.crystal.mu = GetParam().crystal_mu;
  g.crystal.offset_x = 0.01;
  const PreparedVolume v = *prepare_volume(g).volume;
  std::mt19937_64 rng(887);
  std::uniform_real_distribution<double> theta(25, 60), phi(0, 360);
  int settled = 0, all = 0;
  for (int i = 0; i < 30; ++i) {
    const Vec3 in = beam(theta(rng), phi(rng), true), out = beam(theta(rng) / 2, phi(rng), false);
    const std::array<bool, 2> wall{reaches_wall(v, in), reaches_wall(v, out)};
    if (!wall[0] && !wall[1])
      continue;
    ++all;
    const double direct = volume_average_direct(v, in, out, {20, 20, 16});
    if (const std::optional<double> a = crystal_average(v, in, out, wall)) {
      ++settled;
      if (direct < 1e-6)
        EXPECT_NEAR(*a, direct, 1e-10);
      else
        EXPECT_NEAR(*a / direct - 1, 0, 1e-4) << in.z << " " << out.z;
    }
  }
  EXPECT_GT(all, 10);
  EXPECT_GE(settled, all * 3 / 4);
}
INSTANTIATE_TEST_SUITE_P(Gaskets, CrystalAverageThroughTheWall,
                         testing::Values(WallCase{"steel_quartz", {true, false, 30, 0.08, 0.15}, 1},
                                         WallCase{"steel_clear", {true, false, 30, 0.08, 0.15}, 0},
                                         WallCase{"opaque_strong", {true, true, 0, 0.08, 0.15}, 20}),
                         [](const auto& info) { return std::string(info.param.name); });

// A box is left to the integration piece by piece.
TEST(CrystalAverage, NotForABox) {
  VolumeGeometry g;
  g.crystal.shape = CrystalShape::box;
  g.crystal.edge_a = 0.06;
  g.crystal.edge_b = 0.04;
  g.crystal.edge_c = 0.02;
  g.crystal.mu = 5;
  const PreparedVolume v = *prepare_volume(g).volume;
  EXPECT_FALSE(crystal_average(v, beam(10, 0, true), beam(20, 90, false)));
}

}  // namespace
}  // namespace zirel::correction
