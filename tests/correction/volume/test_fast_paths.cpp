// The short cuts of the volume average against the direct integration, on random
// pairs of beams and at the edges of the shadow, and the per-beam shadow tests
// against the onset and full-shadow angles.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "correction/volume/gauss_legendre.h"
#include "correction/volume/geometry.h"
#include "correction/volume/shadow_angles.h"
#include "correction/volume/volume_average.h"
#include "tests/correction/volume/beams.h"

namespace zirel::correction {
namespace {

using testing_beams::beam;
using testing_beams::DEG;

struct Cell {
  const char* name;
  Gasket gasket;
  Crystal crystal;
};
// Named in the test list by what it is, not by its bytes.
void PrintTo(const Cell& c, std::ostream* os) { *os << c.name; }

Crystal plate(double d, double t, double mu, double x, double y, Side side = Side::minus) {
  Crystal c;
  c.shape = CrystalShape::plate;
  c.diameter = d; c.thickness = t; c.mu = mu; c.offset_x = x; c.offset_y = y; c.side = side;
  return c;
}

Crystal box(double a, double b, double c, double angle, double mu, double x) {
  Crystal k;
  k.shape = CrystalShape::box;
  k.edge_a = a; k.edge_b = b; k.edge_c = c; k.angle_deg = angle; k.mu = mu; k.offset_x = x;
  k.side = Side::plus;
  return k;
}

const Gasket opaque{true, true, 0, 0.08, 0.15};
const Gasket steel{true, false, 20, 0.08, 0.15};

class FastPaths : public testing::TestWithParam<Cell> {
protected:
  PreparedVolume v() const {
    const VolumePreparation p = prepare_volume({GetParam().gasket, GetParam().crystal});
    EXPECT_FALSE(p.refusal) << p.refusal->message;
    return *p.volume;
  }
};

// Random pairs within 70 degrees of the axis on either side, and pairs at the onset,
// the full shadow (each 0.01 degree either side) and grazing, in several azimuths.
// Grazing stops at 89 degrees: beyond it the grid itself no longer settles to 1e-4
// through a steel wall (it changes by 5e-4 from 10/10/8 to 30/30/24 points at 89.5).
std::vector<std::pair<Vec3, Vec3>> pairs(const PreparedVolume& v) {
  std::vector<std::pair<Vec3, Vec3>> out;
  std::mt19937_64 rng(26);
  std::uniform_real_distribution<double> theta(0, 70), phi(0, 360), side(0, 1);
  for (int i = 0; i < 40; ++i)
    out.push_back({beam(theta(rng), phi(rng), side(rng) < 0.8), beam(theta(rng), phi(rng), side(rng) < 0.2)});
  for (Side s : {Side::plus, Side::minus}) {
    const ShadowAngles a = shadow_angles(v, s);
    for (double edge : {a.onset_deg, a.full_deg})
      for (double d : {-0.01, 0.01})
        for (double f : {0.0, 100.0, 230.0}) {
          const double t = std::min(89.0, edge + d);
          out.push_back({beam(t, f, s == Side::plus), beam(t / 3, f + 140, s != Side::plus)});
        }
    out.push_back({beam(89.0, 10, s == Side::plus), beam(5, 0, s != Side::plus)});
  }
  return out;
}

TEST_P(FastPaths, AgreeWithTheDirectIntegrationWithin1e4) {
  const PreparedVolume vol = v();
  for (const auto& [in, out] : pairs(vol)) {
    const double fast = volume_average(vol, in, out);
    double direct = volume_average_direct(vol, in, out);
    // Where the usual grid has itself not settled to 1e-4 (a beam grazing through a steel
    // wall), a finer one is the reference.
    if (std::abs(fast / direct - 1) > 1e-4)
      direct = volume_average_direct(vol, in, out, {30, 30, 24});
    if (direct < 1e-6)
      EXPECT_NEAR(fast, direct, 1e-10) << in.z << " " << out.z;
    else
      EXPECT_NEAR(fast / direct - 1, 0, 1e-4) << fast << " " << direct << " u_in.z " << in.z << " u_out.z " << out.z;
  }
}

// Below the onset angle no beam of any azimuth reaches the wall; beyond the full
// shadow every one is blocked; just above the onset some azimuth reaches it.
TEST_P(FastPaths, PerBeamTestsAgreeWithTheShadowAngles) {
  const PreparedVolume vol = v();
  for (Side s : {Side::plus, Side::minus}) {
    const ShadowAngles a = shadow_angles(vol, s);
    bool some = false;
    for (double f = 0; f < 360; f += 0.5) {
      EXPECT_FALSE(reaches_wall(vol, beam(a.onset_deg - 1e-3, f, s == Side::plus))) << f;
      some = some || reaches_wall(vol, beam(a.onset_deg + 0.1, f, s == Side::plus));
      if (a.full_deg < 89.9) {
        EXPECT_TRUE(fully_shadowed(vol, beam(a.full_deg + 1e-3, f, s == Side::plus))) << f;
      }
      EXPECT_FALSE(fully_shadowed(vol, beam(0, f, s == Side::plus)));
    }
    if (a.onset_deg < 89.9) {
      EXPECT_TRUE(some);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cells, FastPaths,
    testing::Values(Cell{"opaque_plate", opaque, plate(0.06, 0.02, 0, 0, 0)},
                    Cell{"opaque_offset_plate_absorbing", opaque, plate(0.06, 0.02, 5, 0.01, -0.005)},
                    Cell{"steel_plate_absorbing_on_plus", steel, plate(0.08, 0.03, 10, 0, 0.01, Side::plus)},
                    Cell{"opaque_box_absorbing", opaque, box(0.06, 0.04, 0.025, 30, 8, 0.01)},
                    Cell{"steel_box", steel, box(0.06, 0.04, 0.025, 30, 0, 0)}),
    [](const auto& info) { return std::string(info.param.name); });

// A point 0.02 mm above the - culet on the axis, by hand: a beam through + reaches
// the wall beyond atan(R / H) = atan(0.075 / 0.06), and then it is also wholly blocked.
TEST(PerBeamShadow, PointCrystalByHand) {
  Crystal point;
  point.shape = CrystalShape::point;
  point.height = 0.02;
  const PreparedVolume v = *prepare_volume({opaque, point}).volume;
  const double edge = std::atan(0.075 / 0.06) * DEG;
  struct Row {
    double theta;
    bool reaches, blocked;
  };
  for (const Row& r : {Row{edge - 1e-6, false, false}, Row{edge + 1e-6, true, true}, Row{0, false, false}}) {
    EXPECT_EQ(reaches_wall(v, beam(r.theta, 33, true)), r.reaches) << r.theta;
    EXPECT_EQ(fully_shadowed(v, beam(r.theta, 33, true)), r.blocked) << r.theta;
  }
}

// A grid finer than the rules shared across the process computes its own and agrees.
TEST(VolumeGrid, FinerThanTheSharedRulesAgrees) {
  const PreparedVolume v = *prepare_volume({opaque, plate(0.06, 0.02, 5, 0.01, 0)}).volume;
  const Vec3 in = beam(30, 20, true), out = beam(20, 200, false);
  const double usual = volume_average_direct(v, in, out);
  for (const VolumeGrid& g : {VolumeGrid{10, 10, SHARED_RULES + 6}, VolumeGrid{SHARED_RULES + 1, 10, 8}})
    EXPECT_NEAR(volume_average_direct(v, in, out, g) / usual - 1, 0, 1e-5) << g.along_axis << " " << g.along_chord;
}

}  // namespace
}  // namespace zirel::correction
