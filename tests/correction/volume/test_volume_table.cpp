// The table of the volume average against the direct integration: on random pairs of
// beams and next to the angles where V has a break, for chambers the same from every
// azimuth; and the chambers that get no table.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "correction/volume/geometry.h"
#include "correction/volume/shadow_angles.h"
#include "correction/volume/volume_average.h"
#include "correction/volume/volume_table.h"
#include "tests/correction/volume/beams.h"

namespace zirel::correction {
namespace {

using testing_beams::beam;
using testing_beams::DEG;

Crystal plate(double d, double t, double mu, Side side = Side::minus, double x = 0) {
  Crystal c;
  c.shape = CrystalShape::plate;
  c.diameter = d; c.thickness = t; c.mu = mu; c.side = side; c.offset_x = x;
  return c;
}

// μ in mm^-1 of the order of steel's at Mo Kα, and of a crystal from quartz to a heavy
// compound; 0.08 mm gasket, 0.15 mm hole.
const Gasket none{};
const Gasket steel{true, false, 30, 0.08, 0.15};
const Gasket opaque{true, true, 0, 0.08, 0.15};

struct Chamber {
  const char* name;
  Gasket gasket;
  Crystal crystal;
  std::array<double, 2> limit_deg;  // minus, plus
  bool tabulated;  // the table passes its own check (the run's speed depends on it)
};
void PrintTo(const Chamber& c, std::ostream* os) { *os << c.name; }

class Table : public testing::TestWithParam<Chamber> {
protected:
  PreparedVolume v() const {
    const VolumePreparation p = prepare_volume({GetParam().gasket, GetParam().crystal});
    EXPECT_FALSE(p.refusal) << p.refusal->message;
    return *p.volume;
  }
};

// Pairs as a DAC measures them (in through one side, out through the other) and a few
// on the same side, uniform over the cones; and pairs 0.01 degree either side of each
// break of either beam.
std::vector<std::pair<Vec3, Vec3>> pairs(const PreparedVolume& v, std::array<double, 2> limit) {
  std::vector<std::pair<Vec3, Vec3>> out;
  std::mt19937_64 rng(27);
  std::uniform_real_distribution<double> unit(0, 1), phi(0, 360);
  auto theta = [&](Side s) { return std::acos(1 - unit(rng) * (1 - std::cos(limit[int(s)] / DEG))) * DEG; };
  for (int i = 0; i < 64; ++i) {
    const bool same = i % 8 == 7;
    const Side in = i % 2 ? Side::plus : Side::minus, outs = same ? in : (in == Side::plus ? Side::minus : Side::plus);
    out.push_back({beam(theta(in), phi(rng), in == Side::plus), beam(theta(outs), phi(rng), outs == Side::plus)});
  }
  for (Side s : {Side::minus, Side::plus}) {
    double wall_from = 0;
    for (double b : angle_breaks(v, s, limit[int(s)], wall_from))
      for (double d : {-0.01, 0.01}) {
        const Side other = s == Side::plus ? Side::minus : Side::plus;
        out.push_back({beam(theta(other), phi(rng), other == Side::plus), beam(b + d, phi(rng), s == Side::plus)});
      }
  }
  return out;
}

// Within 1e-4 of the direct integration wherever a reflection is kept (V above a tenth
// of its value on the axis, --min-transmission's default), within 1e-5 below.
TEST_P(Table, AgreesWithTheDirectIntegration) {
  const PreparedVolume vol = v();
  const std::optional<VolumeTable> table = VolumeTable::make(vol, GetParam().limit_deg);
  ASSERT_TRUE(table);
  const double on_axis = volume_average_direct(vol, beam(0, 0, false), beam(0, 0, true));
  for (const auto& [in, out] : pairs(vol, GetParam().limit_deg)) {
    // Off the hole's centre, only the pairs that meet no wall are read from the table.
    const bool off_centre = vol.gasket.present && vol.crystal.offset_x != 0;
    if (GetParam().tabulated && in.z * out.z < 0) {
      EXPECT_EQ(table->tabulated(in, out), !off_centre || (!reaches_wall(vol, in) && !reaches_wall(vol, out)))
          << "u_in.z " << in.z << " u_out.z " << out.z;
    }
    const double tabulated = (*table)(in, out);
    double direct = volume_average_direct(vol, in, out);
    if (std::abs(tabulated / direct - 1) > 1e-4)  // the usual grid may not have settled
      direct = volume_average_direct(vol, in, out, {30, 30, 24});
    if (direct > 0.1 * on_axis)
      EXPECT_NEAR(tabulated / direct - 1, 0, 1e-4) << "u_in.z " << in.z << " u_out.z " << out.z;
    else
      EXPECT_NEAR(tabulated, direct, 1e-5) << "u_in.z " << in.z << " u_out.z " << out.z;
  }
}

// Beyond a side's limit, for a beam parallel to the culets, and for two beams through
// the same side the table is not read: the value is volume_average's own.
TEST_P(Table, BeyondItsLimitsIntegratesDirectly) {
  const PreparedVolume vol = v();
  const std::array<double, 2> limit = GetParam().limit_deg;
  const VolumeTable table = *VolumeTable::make(vol, limit);
  for (const auto& [in, out] : {std::pair{beam(limit[0] + 1, 10, false), beam(5, 0, true)},
                                std::pair{beam(5, 10, false), beam(limit[1] + 1, 0, true)},
                                std::pair{beam(90, 10, false), beam(5, 0, true)},
                                std::pair{beam(20, 10, true), beam(5, 0, true)}}) {
    EXPECT_FALSE(table.tabulated(in, out));
    EXPECT_EQ(table(in, out), volume_average(vol, in, out));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Chambers, Table,
    testing::Values(Chamber{"steel_gasket_quartz_plate", steel, plate(0.06, 0.02, 0.5), {38, 38}, true},
                    Chamber{"opaque_gasket_strong_absorber", opaque, plate(0.06, 0.02, 20), {38, 38}, true},
                    Chamber{"steel_gasket_plate_on_plus_wide_opening", steel, plate(0.08, 0.03, 10, Side::plus),
                            {45, 30}, true},
                    Chamber{"offset_plate_without_gasket", none, plate(0.06, 0.02, 20, Side::minus, 0.02), {38, 38},
                            true},
                    Chamber{"offset_plate_in_steel_gasket", steel, plate(0.06, 0.02, 5, Side::minus, 0.015),
                            {38, 38}, true}),
    [](const auto& info) { return std::string(info.param.name); });

// The breaks of a 0.06 x 0.02 mm plate on the - culet, 0.08 mm chamber, 0.15 mm hole,
// by hand, for beams out through +: the wall's shadow reaches the near rim of the
// bottom face (0.08 below the + culet) at atan(0.045 / 0.08), of the top face at
// atan(0.045 / 0.06) (a 3-4-5 triangle: 36.87 degrees), the far rims at
// atan(0.105 / 0.08) and atan(0.105 / 0.06); every path through a face leaves by the
// rim beyond atan(0.06 / 0.02). Through -, the bottom face lies on the culet and only
// the top face's breaks, atan(0.045 / 0.02) and atan(0.105 / 0.02), remain.
TEST(AngleBreaks, PlateOnTheMinusCuletByHand) {
  const PreparedVolume v = *prepare_volume({opaque, plate(0.06, 0.02, 1)}).volume;
  double wall_from = 0;
  const std::vector<double> plus = angle_breaks(v, Side::plus, 89, wall_from);
  const std::vector<double> want{std::atan(0.045 / 0.08) * DEG, 36.8698976, std::atan(0.105 / 0.08) * DEG,
                                 std::atan(0.105 / 0.06) * DEG, std::atan(3.0) * DEG};
  ASSERT_EQ(plus.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i)
    EXPECT_NEAR(plus[i], want[i], 1e-6) << i;
  EXPECT_NEAR(wall_from, want[0], 1e-9);
  const std::vector<double> minus = angle_breaks(v, Side::minus, 89, wall_from);
  ASSERT_EQ(minus.size(), 3u);
  EXPECT_NEAR(minus[0], std::atan(2.25) * DEG, 1e-9);
  EXPECT_NEAR(minus[1], std::atan(3.0) * DEG, 1e-9);
  EXPECT_NEAR(minus[2], std::atan(5.25) * DEG, 1e-9);
  // A limit leaves out what lies beyond it.
  EXPECT_EQ(angle_breaks(v, Side::plus, 36, wall_from).size(), 1u);
}

// A box looks different from different azimuths, also without a gasket: no table.
TEST(VolumeTableMake, BoxGetsNoTable) {
  Crystal box;
  box.shape = CrystalShape::box;
  box.edge_a = 0.06; box.edge_b = 0.04; box.edge_c = 0.02; box.mu = 5;
  EXPECT_FALSE(VolumeTable::make(*prepare_volume({steel, box}).volume, {38, 38}));
  EXPECT_FALSE(VolumeTable::make(*prepare_volume({none, box}).volume, {38, 38}));
  EXPECT_TRUE(VolumeTable::make(*prepare_volume({steel, plate(0.06, 0.02, 1)}).volume, {38, 38}));
}

// A table too coarse for its chamber fails its own check and is not used: the values
// are volume_average's. (A plate nearly filling an opaque gasket's hole does so with the
// usual spacing, its shadow's edges sweeping across it within a degree.)
TEST(VolumeTableMake, TableThatFailsItsCheckIsNotUsed) {
  const PreparedVolume v = *prepare_volume({opaque, plate(0.06, 0.02, 20)}).volume;
  const VolumeTable coarse = *VolumeTable::make(v, {38, 38}, {20, 10, 90});
  const Vec3 in = beam(12, 30, false), out = beam(33, 250, true);
  EXPECT_FALSE(coarse.tabulated(in, out));
  EXPECT_EQ(coarse(in, out), volume_average(v, in, out));
  EXPECT_TRUE(VolumeTable::make(v, {38, 38})->tabulated(in, out));
}

// Threads that ask at once for the first value of the same table all get it, the
// table made once.
TEST(VolumeTableMake, FirstUseFromSeveralThreadsGivesOneTable) {
  const PreparedVolume v = *prepare_volume({steel, plate(0.06, 0.02, 2)}).volume;
  const VolumeTable table = *VolumeTable::make(v, {38, 38});
  const Vec3 in = beam(12, 30, false), out = beam(33, 250, true);
  std::vector<double> got(4);
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([&, i] { got[i] = table(in, out); });
  for (std::thread& t : threads)
    t.join();
  for (double g : got)
    EXPECT_EQ(g, got[0]);
  EXPECT_NEAR(got[0] / volume_average(v, in, out) - 1, 0, 1e-4);
}

}  // namespace
}  // namespace zirel::correction
