// The completeness map: its grid values against the rule evaluated reflection by
// reflection, against the filtering's own test at lattice directions, and its symmetry.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include "map_fixtures.h"
#include "planning/completeness.h"
#include "planning/orientation_map.h"

namespace zirel::planning {
namespace {

using test::BOUNDARY_DEG;
using test::Crystal;

class Map : public ::testing::TestWithParam<Crystal> {};

// Every cell's count is the number of unique reflections with an equivalent inside
// its band at the cell's centre, up to those lying on the boundary there.
TEST_P(Map, GridValuesAreTheRuleAppliedToEachEquivalent) {
  const test::Built b = test::build(GetParam());
  ASSERT_GT(b.bands.size(), 100);
  for (double step : {3.0, 1.0}) {
    const DirectionGrid grid = make_direction_grid(step);
    for (int threads : {1, 2}) {
      const std::vector<int> counts = accessible_counts(grid, b.bands, {}, threads);
      ASSERT_EQ(static_cast<int>(counts.size()), grid.cell_count());
      for (int cell = 0; cell < grid.cell_count(); cell += step > 2 ? 3 : 97) {
        const AxisCount direct = count_at(b.bands, cell_direction(grid, cell), {}, BOUNDARY_DEG);
        EXPECT_LE(std::abs(counts[cell] - direct.accessible), direct.near_boundary)
            << GetParam().group << " step " << step << " cell " << cell;
      }
    }
  }
}

// Reflections reached by mounts already made count at every direction, once.
TEST_P(Map, MountsMadeAreCountedOnceEverywhere) {
  const Crystal& c = GetParam();
  const test::Built b = test::build(c);
  const AccessibilityRun first = prepare_accessibility(test::settings_at(c, AxisKind::UVW, {0, 1, 0}), b.metric);
  const std::vector<std::uint8_t> covered = accessible_reflections(b.set, first);
  const DirectionGrid grid = make_direction_grid(4);
  const std::vector<int> alone = accessible_counts(grid, b.bands, {}, 2);
  const std::vector<int> union_counts = accessible_counts(grid, b.bands, covered, 2);
  int made = 0;
  for (std::uint8_t f : covered)
    made += f;
  for (int cell = 0; cell < grid.cell_count(); cell += 5) {
    const AxisCount direct = count_at(b.bands, cell_direction(grid, cell), covered, BOUNDARY_DEG);
    EXPECT_LE(std::abs(union_counts[cell] - direct.accessible), direct.near_boundary) << c.group << ' ' << cell;
    EXPECT_GE(union_counts[cell], std::max(made, alone[cell]));
    EXPECT_LE(union_counts[cell], made + alone[cell]);
  }
}

// At a lattice direction the map's rule and the filtering's single-precision test
// agree on every unique reflection that is not within 1e-4 deg of the boundary.
TEST_P(Map, AgreesWithTheFilteringTestAtLatticeDirections) {
  const Crystal& c = GetParam();
  const test::Built b = test::build(c);
  const Vec3 axes[] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 0}, {1, 0, 1}, {1, 1, 1}, {2, 1, 0}, {1, -1, 2}, {3, 1, 4}};
  for (AxisKind kind : {AxisKind::UVW, AxisKind::HKL})
    for (const Vec3& axis : axes) {
      const AccessibilityRun run = prepare_accessibility(test::settings_at(c, kind, axis), b.metric);
      const std::vector<std::uint8_t> filtering = accessible_reflections(b.set, run);
      const Vec3d n = axis_direction(b.frame, kind, axis);
      int agree = 0;
      for (int u = 0; u < b.bands.size(); ++u) {
        const double inside = inside_margin(b.bands, u, n);
        if (std::fabs(inside) <= BOUNDARY_DEG)
          continue;
        EXPECT_EQ(filtering[u] != 0, inside > 0) << c.group << " axis " << axis[0] << ' ' << axis[1] << ' '
                                                 << axis[2] << " reflection " << u;
        ++agree;
      }
      EXPECT_GT(agree, b.bands.size() * 9 / 10);
    }
}

// Turning the axis by an operation of the Laue class turns the crystal's equivalents
// into each other: the completeness cannot change. Nor can it under the lattice's
// further rotations that the map's symmetry admits.
TEST_P(Map, HasTheLaueSymmetryOfTheCrystal) {
  const test::Built b = test::build(GetParam());
  const std::vector<Mat3d> laue = cartesian_symmetry(b.symmetry, b.frame);
  ASSERT_EQ(laue.size(), b.symmetry.rotations.size());
  const std::vector<Mat3d> rotations = map_symmetry(b.symmetry, b.set, b.frame);
  ASSERT_GE(rotations.size(), laue.size());
  std::mt19937 random(14);
  std::normal_distribution<double> gauss;
  for (int trial = 0; trial < 12; ++trial) {
    const Vec3d n = normalized({gauss(random), gauss(random), gauss(random)});
    const AxisCount here = count_at(b.bands, n, {}, BOUNDARY_DEG);
    for (const Mat3d& r : rotations) {
      const Vec3d turned = r * n;
      EXPECT_NEAR(norm(turned), 1.0, 1e-9);  // a rotation, in any setting
      const AxisCount there = count_at(b.bands, turned, {}, BOUNDARY_DEG);
      EXPECT_LE(std::abs(here.accessible - there.accessible), here.near_boundary + there.near_boundary)
          << GetParam().group;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Crystals, Map, ::testing::ValuesIn(test::CRYSTALS),
                         [](const auto& info) {
                           std::string name = info.param.group;
                           for (char& ch : name)
                             if (!std::isalnum(static_cast<unsigned char>(ch)))
                               ch = '_';
                           return name + "_" + std::to_string(info.index);
                         });

// The map's symmetry beyond the Laue class: the tetragonal lattice's mirrors for 4/m;
// for a monoclinic cell with a = c the lattice's swap of a and c, unless the absences
// of P21/c (h 0 l with l odd, not h odd) break it.
TEST(MapSymmetry, LatticeRotationsOnlyWhereTheUniqueSetFollows) {
  const struct {
    test::Crystal crystal;
    size_t rotations;  // the Laue class's, and one of each +-R beyond it
  } cases[] = {
      {{"P4/m", {6, 6, 12, 90, 90, 90}, 0.71073f, 35, 0.9}, 12},
      {{"P4/mmm", {6, 6, 12, 90, 90, 90}, 0.71073f, 35, 0.9}, 16},
      {{"P2/m", {10, 10, 10, 90, 100, 90}, 0.71073f, 35, 1.0}, 6},
      {{"P21/c", {10, 10, 10, 90, 100, 90}, 0.71073f, 35, 1.0}, 4},
      {{"P21/c", {7.512f, 9.874f, 11.236f, 90, 103.47f, 90}, 0.7093f, 35, 0.9}, 4},
      {{"P-1", {5.1f, 6.2f, 7.3f, 80, 95, 105}, 0.71073f, 35, 0.9}, 2},
  };
  for (const auto& c : cases) {
    const test::Built b = test::build(c.crystal);
    EXPECT_EQ(map_symmetry(b.symmetry, b.set, b.frame).size(), c.rotations) << c.crystal.group;
  }
}

// Where the Laue class holds a mirror normal to y (or the 2-fold along y, the same
// for axes), the grid maps onto itself, cell j of a ring onto cell size - 1 - j; the
// computed values must follow.
bool has_mirror_normal_to_y(const test::Built& b) {
  for (const Mat3d& r : cartesian_symmetry(b.symmetry, b.frame))
    for (double sign : {1.0, -1.0}) {  // diag(1, -1, 1) or diag(-1, 1, -1)
      double off = 0;
      for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
          off += std::fabs(r.row[i][j] - (i != j ? 0 : i == 1 ? -sign : sign));
      if (off < 1e-9)
        return true;
    }
  return false;
}

TEST(MapMirror, GridValuesFollowTheMirrorNormalToY) {
  int crystals = 0;
  for (const Crystal& c : test::CRYSTALS) {
    const test::Built b = test::build(c);
    if (!has_mirror_normal_to_y(b))
      continue;
    ++crystals;
    const DirectionGrid grid = make_direction_grid(2);
    const std::vector<int> counts = accessible_counts(grid, b.bands, {}, 2);
    for (int ring = 0; ring < grid.ring_count(); ++ring)
      for (int j = 0; j < grid.ring_size[ring]; ++j) {
        const int cell = grid.ring_start[ring] + j, image = grid.ring_start[ring] + grid.ring_size[ring] - 1 - j;
        if (counts[cell] == counts[image])
          continue;
        const AxisCount direct = count_at(b.bands, cell_direction(grid, cell), {}, BOUNDARY_DEG);
        EXPECT_LE(std::abs(counts[cell] - counts[image]), 2 * direct.near_boundary) << c.group << ' ' << ring;
      }
  }
  EXPECT_EQ(crystals, 5);  // P21/c, Pbca, P212121, P6/mmm, Fm-3m
}

// The band of axes of one reflection, checked where it is known by hand: a cubic
// reflection 1 0 0 at theta ~ 2 deg with Psi max 40 is reached from every axis
// within 38 deg of the plane normal to a*, i.e. 52 deg or more from a.
TEST(MapBand, CubicReflectionReachedWithinItsBand) {
  BandSet set;
  const double theta = 2.0;
  add_unique(set, theta, 40, std::vector<Vec3d>{{1, 0, 0}, {-1, 0, 0}});
  ASSERT_EQ(set.uniques.front().count, 1);  // s and -s are one band
  const double rad = 3.14159265358979323846 / 180;
  for (double from_a : {0.0, 30.0, 51.9, 52.1, 70.0, 90.0}) {
    const Vec3d axis{std::cos(from_a * rad), std::sin(from_a * rad), 0};
    EXPECT_EQ(count_at(set, axis, {}).accessible, from_a > 52 ? 1 : 0) << from_a;
  }
  // Beyond Psi max, or beyond the limiting sphere, a reflection is never reached.
  add_unique(set, 41, 40, std::vector<Vec3d>{{0, 1, 0}});
  add_unique(set, NAN, 40, std::vector<Vec3d>{{0, 0, 1}});
  const std::vector<int> counts = accessible_counts(make_direction_grid(5), set, {}, 1);
  for (int c : counts)
    EXPECT_LE(c, 1);
}

}  // namespace
}  // namespace zirel::planning
