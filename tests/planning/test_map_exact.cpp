// The map's best and worst taken from the lattice directions evaluated exactly as well
// as from the grid, the plane normals searched to the grid's resolution, and index
// bounds that never overflow an int.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include "planning/direction_grid.h"
#include "planning/index_bounds.h"
#include "planning/plan_map.h"
#include "planning/prepare_plan.h"
#include "planning/small_directions.h"

namespace zirel::planning {
namespace {

PlanRequest map_request(const char* group, UnitCell cell, float psi_max, float d_min, float step) {
  PlanRequest q;
  q.command = PlanCommand::map;
  q.cell = cell;
  q.wavelength = 0.71073f;
  q.psi_max = psi_max;
  q.space_group = group;
  q.d_min = d_min;
  q.step_deg = step;
  return q;
}

// Ia-3d: the least complete mount is along a 4-fold axis, [0 0 1], which no grid
// point hits; at 5 degrees the grid's own worst is 62.9 %, [0 0 1] reaches 52.3 %.
TEST(MapExact, WorstAndBestIncludeTheLatticeDirections) {
  const auto plan = prepare_plan(map_request("Ia-3d", {11.46f, 11.46f, 11.46f, 90, 90, 90}, 35, 0.7f, 5));
  ASSERT_TRUE(plan.plan.has_value());
  const MapResult r = plan_map(*plan.plan, 2);
  const double worst = 100.0 * r.worst.accessible / r.theory;
  EXPECT_NEAR(worst, 52.3, 0.05);
  EXPECT_LT(r.worst.accessible, *std::min_element(r.counts.begin(), r.counts.end()));
  EXPECT_EQ(r.worst.uvw.indices, (Indices{0, 0, 1}));
  EXPECT_EQ(r.worst.uvw.angle_deg, 0.0);
  ASSERT_FALSE(r.best.empty());
  for (size_t i = 0; i < r.best.size(); ++i) {
    EXPECT_GE(r.best_accessible, r.best[i].rank_accessible());
    EXPECT_GE(r.best_accessible, r.best[i].accessible);
    if (i > 0) {  // ranked by the exact values at their lattice directions
      EXPECT_LE(r.best[i].rank_accessible(), r.best[i - 1].rank_accessible());
    }
  }
}

// The plane normal (and direction) given for an axis is searched beyond indices of 6
// where those lie more than a grid step away: with c short, (h k l) of indices up to 6 leave gaps of 10 degrees near the
// equator of a 12 12 4 cell.
TEST(MapExact, NearestLatticeWithinTheGridsResolution) {
  struct Case {
    UnitCell cell;
    double step;
  };
  const Case cases[] = {{{12, 12, 4, 90, 90, 90}, 1.0}, {{12, 12, 4, 90, 90, 90}, 0.25},
                        {{5.1f, 6.2f, 30.0f, 80, 95, 105}, 1.0}, {{40, 7, 9, 90, 110, 90}, 2.0}};
  for (const Case& c : cases) {
    const CartesianFrame frame = make_frame(c.cell);
    const SmallDirections small = make_small_directions(frame);
    const DirectionGrid grid = make_direction_grid(c.step);
    double worst_small = 0, worst_refined_hkl = 0, worst_refined_uvw = 0;
    for (int cell = 0; cell < grid.cell_count(); cell += 7) {
      const Vec3d n = cell_direction(grid, cell);
      const double small_angle = nearest_plane_normal(small, n).angle_deg;
      worst_small = std::max(worst_small, small_angle);
      const NearestLattice hkl = refined_plane_normal(frame, small, n, c.step);
      EXPECT_LE(hkl.angle_deg, small_angle + 1e-9);
      const NearestLattice uvw = refined_direction(frame, small, n, c.step);
      EXPECT_NEAR(hkl.angle_deg, axis_angle_deg(n, frame.reciprocal_vector(
                                                       {double(hkl.indices[0]), double(hkl.indices[1]), double(hkl.indices[2])})),
                  1e-9);
      worst_refined_hkl = std::max(worst_refined_hkl, hkl.angle_deg);
      worst_refined_uvw = std::max(worst_refined_uvw, uvw.angle_deg);
    }
    // Indices up to 48 do not always reach one step; the output gives the angle.
    EXPECT_LE(worst_refined_hkl, 4.0) << c.cell.c << " step " << c.step;
    EXPECT_LE(worst_refined_uvw, 4.0) << c.cell.c << " step " << c.step;
    if (c.cell.c == 4) {
      EXPECT_GT(worst_small, 5.0);  // what the small set alone gives
      EXPECT_LT(worst_refined_hkl, 2.0);
    }
  }
}

TEST(IndexBounds, OutOfRangeDoublesAreClampedBeforeConversion) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    double v;
    int expected;
  } cases[] = {{3.7, 3},      {-3.7, -3},     {1e300, 10},     {-1e300, -10}, {inf, 10},
               {-inf, -10},  {std::nan(""), -10}, {10.0, 10}, {-10.0, -10}, {9.999, 9}};
  for (const auto& c : cases)
    EXPECT_EQ(clamped_index(c.v, -10, 10), c.expected) << c.v;
  EXPECT_EQ(clamped_index(2.0 / 1e-300, 0, INDEX_LIMIT), INDEX_LIMIT);
}

}  // namespace
}  // namespace zirel::planning
