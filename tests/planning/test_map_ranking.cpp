// The grid of axes, the ranking of mounts, the nearest lattice directions, and the
// best mounts of a cubic and a tetragonal crystal.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include "map_fixtures.h"
#include "planning/direction_grid.h"
#include "planning/map_ranking.h"
#include "planning/orientation_map.h"
#include "planning/small_directions.h"

namespace zirel::planning {
namespace {

TEST(DirectionGrid, CoversTheHemisphereEvenly) {
  for (double step : {0.5, 1.0, 2.0, 7.0}) {
    const DirectionGrid grid = make_direction_grid(step);
    double area = 0, smallest = 1e9, largest = 0;
    for (int ring = 0; ring < grid.ring_count(); ++ring) {
      area += grid.cell_area(ring) * grid.ring_size[ring];
      smallest = std::min(smallest, grid.cell_area(ring));
      largest = std::max(largest, grid.cell_area(ring));
    }
    EXPECT_NEAR(area, 2 * std::numbers::pi, 1e-9) << step;
    EXPECT_LT(largest / smallest, 1.25) << step;  // the pole's three cells are the exception
    EXPECT_NEAR(grid.polar_deg(grid.ring_count() - 1) + grid.step_deg / 2, 90.0, 1e-9);
    for (int cell : {0, grid.cell_count() / 3, grid.cell_count() - 1}) {
      const GridCell at = locate(grid, cell);
      EXPECT_EQ(grid.ring_start[at.ring] + at.j, cell);
      const Vec3d v = cell_direction(grid, cell);
      EXPECT_NEAR(norm(v), 1.0, 1e-12);
      EXPECT_GT(v[2], 0.0);
    }
  }
}

// An axis and its opposite are one mount, drawn on the upper side; an axis in the rim
// keeps its side whichever way rounding tipped its z.
TEST(Cartesian, UpperSideOfAnAxis) {
  const struct {
    Vec3d v, upper;
  } cases[] = {
      {{0.3, 0.2, -0.9}, {-0.3, -0.2, 0.9}}, {{0.3, 0.2, 0.9}, {0.3, 0.2, 0.9}},
      {{0.866, 0.5, -1e-17}, {0.866, 0.5, -1e-17}}, {{0.866, -0.5, 1e-17}, {-0.866, 0.5, -1e-17}},
      {{-1, 1e-17, 0}, {1, -1e-17, 0}}, {{0, 0, -2}, {0, 0, 2}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(upper(c.v), c.upper) << c.v[0] << ' ' << c.v[1] << ' ' << c.v[2];
  // a* of a hexagonal cell lies in the rim at +30 degrees, not at its opposite.
  const CartesianFrame hexagonal = make_frame({5, 5, 14, 90, 90, 120});
  const Vec3d a_star = upper(normalized(hexagonal.reciprocal_vector({1, 0, 0})));
  EXPECT_NEAR(std::atan2(a_star[1], a_star[0]) * 180 / std::numbers::pi, 30.0, 1e-9);
}

struct NearestCase {
  Vec3d uvw;        // the axis, as a direction of the cubic lattice
  Indices nearest;  // with all indices at most 6
  double angle_deg;
};

TEST(SmallDirections, NearestInTheCubicLattice) {
  const CartesianFrame cubic = make_frame({4, 4, 4, 90, 90, 90});
  const SmallDirections small = make_small_directions(cubic);
  const NearestCase cases[] = {
      {{1, 0, 0}, {1, 0, 0}, 0},            {{0, -3, 0}, {0, 1, 0}, 0},  // primitive, first index positive
      {{-1, 1, 1}, {1, -1, -1}, 0},         {{6, 5, 4}, {6, 5, 4}, 0},
      {{7, 0, 1}, {6, 0, 1}, 9.4623 - 8.1301},  // 7 is beyond the limit
      {{1, 1, 0.02}, {1, 1, 0}, 0.8102},
  };
  for (const NearestCase& c : cases) {
    const Vec3d axis = cubic.direct_vector(c.uvw);
    const NearestLattice d = nearest_direction(small, axis), p = nearest_plane_normal(small, axis);
    EXPECT_EQ(d.indices, c.nearest) << c.uvw[0] << ' ' << c.uvw[1] << ' ' << c.uvw[2];
    EXPECT_NEAR(d.angle_deg, c.angle_deg, 2e-3);
    EXPECT_EQ(p.indices, c.nearest);  // [U V W] and (h k l) coincide in a cubic cell
  }
}

struct TieCase {
  Indices simpler, other;  // equally far from their bisector, nothing else nearer
};

// Halfway between [1 0 0] and [6 1 0] (9.46 degrees apart) no direction with indices up
// to 6 lies nearer than 4.73 degrees: the simpler one is named, whichever way the two
// cosines round, and still when the axis leans toward the other by a hair (its cosine
// larger by about 1e-13, a rounding, not a nearer direction). The variants turn the
// pair about the lattice's axes and signs.
TEST(SmallDirections, ATieNamesTheSimplerOne) {
  const CartesianFrame cubic = make_frame({4, 4, 4, 90, 90, 90});
  const SmallDirections small = make_small_directions(cubic);
  const TieCase cases[] = {
      {{1, 0, 0}, {6, 1, 0}}, {{1, 0, 0}, {6, -1, 0}}, {{1, 0, 0}, {6, 0, 1}}, {{1, 0, 0}, {6, 0, -1}},
      {{0, 1, 0}, {1, 6, 0}}, {{0, 1, 0}, {0, 6, 1}}, {{0, 0, 1}, {1, 0, 6}}, {{0, 0, 1}, {0, -1, 6}},
  };
  const auto unit = [&](const Indices& i) { return normalized(cubic.direct_vector({double(i[0]), double(i[1]), double(i[2])})); };
  const double half_angle = std::atan(1.0 / 6.0) * 90 / std::numbers::pi;  // half of atan(1/6), in degrees
  for (const TieCase& c : cases) {
    const Vec3d u = unit(c.simpler), v = unit(c.other);
    for (const double lean : {0.0, 3e-11}) {
      const Vec3d axis{u[0] + v[0] * (1 + lean), u[1] + v[1] * (1 + lean), u[2] + v[2] * (1 + lean)};
      const std::string name = "[" + std::to_string(c.other[0]) + " " + std::to_string(c.other[1]) + " " +
                               std::to_string(c.other[2]) + "] leaning " + std::to_string(lean);
      for (const NearestLattice& found : {nearest_direction(small, axis), nearest_plane_normal(small, axis)}) {
        EXPECT_EQ(found.indices, c.simpler) << name;
        EXPECT_NEAR(found.angle_deg, half_angle, 1e-6) << name;
      }
    }
  }
}

TEST(SmallDirections, DirectionAndPlaneNormalDifferInAMonoclinicCell) {
  const CartesianFrame frame = make_frame({7.512f, 9.874f, 11.236f, 90, 103.47f, 90});
  const SmallDirections small = make_small_directions(frame);
  const Vec3d a = frame.direct_vector({1, 0, 0}), a_star = frame.reciprocal_vector({1, 0, 0});
  EXPECT_EQ(nearest_direction(small, a).indices, (Indices{1, 0, 0}));
  EXPECT_EQ(nearest_plane_normal(small, a_star).indices, (Indices{1, 0, 0}));
  EXPECT_NEAR(axis_angle_deg(a, a_star), 13.47, 1e-4);
  EXPECT_NE(nearest_direction(small, a_star).indices, (Indices{1, 0, 0}));
}

// The chosen mounts keep their distance from each other and from every symmetry image.
TEST(MapRanking, BestMountsAreDistinctUnderSymmetry) {
  const test::Built b = test::build(test::CRYSTALS[4]);  // P4/m
  const DirectionGrid grid = make_direction_grid(2);
  const std::vector<int> counts = accessible_counts(grid, b.bands, {}, 2);
  const std::vector<Mat3d> rotations = cartesian_symmetry(b.symmetry, b.frame);
  const std::vector<int> best = best_cells(grid, counts, 6, 10, rotations);
  ASSERT_EQ(best.size(), 6u);
  EXPECT_EQ(counts[best[0]], *std::max_element(counts.begin(), counts.end()));
  for (size_t i = 1; i < best.size(); ++i) {
    EXPECT_LE(counts[best[i]], counts[best[i - 1]]);
    for (size_t j = 0; j < i; ++j)
      for (const Mat3d& r : rotations)
        EXPECT_GE(axis_angle_deg(cell_direction(grid, best[i]), r * cell_direction(grid, best[j])), 10.0);
  }
  EXPECT_EQ(counts[worst_cell(counts)], *std::min_element(counts.begin(), counts.end()));
  const std::vector<int> flat(grid.cell_count(), 7);
  EXPECT_NEAR(mean_count(grid, flat), 7.0, 1e-9);
}

// What a crystallographer expects of the best mount, for a cubic and a simple
// tetragonal crystal. Turning the crystal about the DAC axis does not change any
// reflection's angle to the axis, so equivalents related by a symmetry axis that lies
// along the DAC axis are reached together or not at all: they add nothing. The worst
// mount is along the 4-fold axis, and the best lies away from every symmetry axis,
// where the equivalents meet the opening at different angles.
struct MountCase {
  test::Crystal crystal;
  Vec3d fourfold;  // [U V W] of a 4-fold axis
  std::vector<Vec3d> symmetry_axes;  // every rotation axis, as [U V W]
};

TEST(BestMount, CubicAndTetragonalCrystalsAvoidTheirSymmetryAxes) {
  const MountCase cases[] = {
      {{"Pm-3m", {10, 10, 10, 90, 90, 90}, 0.71073f, 35, 0.8},
       {0, 0, 1},
       {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 1}, {1, -1, 1}, {1, 1, -1}, {-1, 1, 1},
        {1, 1, 0}, {1, -1, 0}, {1, 0, 1}, {1, 0, -1}, {0, 1, 1}, {0, 1, -1}}},
      {{"P4/mmm", {6, 6, 12, 90, 90, 90}, 0.71073f, 35, 0.8},
       {0, 0, 1},
       {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, -1, 0}}},
  };
  for (const MountCase& c : cases) {
    const test::Built b = test::build(c.crystal);
    const DirectionGrid grid = make_direction_grid(1);
    const std::vector<int> counts = accessible_counts(grid, b.bands, {}, 2);
    const Vec3d best = cell_direction(grid, best_cells(grid, counts, 1, 10, {}).front());
    const Vec3d worst = cell_direction(grid, worst_cell(counts));
    const int best_count = *std::max_element(counts.begin(), counts.end());
    EXPECT_LT(axis_angle_deg(worst, b.frame.direct_vector(c.fourfold)), 1.5) << c.crystal.group;
    for (const Vec3d& axis : c.symmetry_axes) {
      const Vec3d n = b.frame.direct_vector(axis);
      EXPECT_GT(axis_angle_deg(best, n), 5.0) << c.crystal.group << " best near a symmetry axis";
      // Every mount on a symmetry axis loses against the best by at least 5 per cent.
      EXPECT_LT(count_at(b.bands, n, {}).accessible, best_count - 0.05 * b.bands.size()) << c.crystal.group;
    }
  }
}

}  // namespace
}  // namespace zirel::planning
