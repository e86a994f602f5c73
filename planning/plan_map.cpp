#include "planning/plan_map.h"

#include <algorithm>
#include <cstdlib>
#include <thread>
#include "planning/completeness.h"
#include "planning/map_input.h"
#include "planning/map_ranking.h"
#include "planning/orientation_map.h"

namespace zirel::planning {

namespace {

AccessibilityRun run_at(const PreparedPlan& p, AxisKind kind, const Vec3& axis) {
  RunSettings s = p.settings;
  s.axis_kind = kind;
  s.axis = axis;
  return prepare_accessibility(s, p.metric);
}

// Reached by the mounts made, or at the axis.
int reached(const UniqueSet& set, const std::vector<std::uint8_t>& covered, const AccessibilityRun& run) {
  const std::vector<std::uint8_t> here = accessible_reflections(set, run);
  int n = 0;
  for (size_t u = 0; u < here.size(); ++u)
    n += here[u] || (!covered.empty() && covered[u]);
  return n;
}

MountAdvice advise(const PreparedPlan& p, const MapResult& r, int cell, const CartesianFrame& frame,
                   const SmallDirections& small,
                   const std::vector<std::uint8_t>& covered) {
  MountAdvice a;
  a.cell = cell;
  a.direction = cell_direction(r.grid, cell);
  a.accessible = r.counts[cell];
  // Within the grid's own resolution where a simple enough index allows.
  a.uvw = refined_direction(frame, small, a.direction, r.grid.step_deg);
  a.hkl = refined_plane_normal(frame, small, a.direction, r.grid.step_deg);
  auto as_axis = [](const Indices& i) { return Vec3{float(i[0]), float(i[1]), float(i[2])}; };
  a.uvw_accessible = reached(p.set, covered, run_at(p, AxisKind::UVW, as_axis(a.uvw.indices)));
  a.hkl_accessible = reached(p.set, covered, run_at(p, AxisKind::HKL, as_axis(a.hkl.indices)));
  return a;
}

// The lattice directions and plane normals with indices up to 2: they hold every
// symmetry axis of a Laue class in its conventional setting ([0 0 1], [1 1 0], [1 1 1],
// [2 1 0]...), where the completeness is usually least, and never fall on a grid point.
// Each is evaluated exactly, by the same rule as the report.
struct LatticeValue {
  AxisKind kind;
  Indices indices;
  Vec3d unit;
  int accessible;
};

std::vector<LatticeValue> lattice_values(const PreparedPlan& p, const SmallDirections& small,
                                         const std::vector<std::uint8_t>& covered) {
  std::vector<LatticeValue> out;
  for (size_t i = 0; i < small.indices.size(); ++i) {
    const Indices& n = small.indices[i];
    if (std::max({std::abs(n[0]), std::abs(n[1]), std::abs(n[2])}) > 2)
      break;  // simplest first
    const Vec3 axis{float(n[0]), float(n[1]), float(n[2])};
    out.push_back({AxisKind::UVW, n, small.direct[i], reached(p.set, covered, run_at(p, AxisKind::UVW, axis))});
    out.push_back({AxisKind::HKL, n, small.reciprocal[i], reached(p.set, covered, run_at(p, AxisKind::HKL, axis))});
  }
  return out;
}

// The grid cell whose centre lies nearest a direction.
int nearest_cell(const DirectionGrid& grid, const Vec3d& v) {
  int best = 0;
  double best_angle = 360;
  for (int c = 0; c < grid.cell_count(); ++c) {
    const double a = axis_angle_deg(v, cell_direction(grid, c));
    if (a < best_angle) {
      best_angle = a;
      best = c;
    }
  }
  return best;
}

}  // namespace

MapResult plan_map(const PreparedPlan& p, int threads) {
  MapResult r;
  r.theory = static_cast<int>(p.set.reflections.size());
  std::vector<std::uint8_t> covered;
  for (const MountAxis& made : p.request.mounts) {
    Mount m{made.kind, made.axis, 0};
    const std::vector<std::uint8_t> here = accessible_reflections(p.set, run_at(p, m.kind, m.axis));
    covered.resize(here.size(), 0);
    for (size_t u = 0; u < here.size(); ++u) {
      m.accessible += here[u];
      covered[u] = covered[u] || here[u];
    }
    r.mounts.push_back(m);
  }
  r.covered = static_cast<int>(std::count(covered.begin(), covered.end(), 1));

  const CartesianFrame frame = make_frame(p.settings.cell);
  const BandSet bands = make_band_set(p.set, frame, p.settings.wavelength, p.settings.psi_max);
  r.grid = make_direction_grid(p.request.step_deg);
  if (threads <= 0)
    threads = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
  r.counts = accessible_counts(r.grid, bands, covered, threads);
  r.mean = mean_count(r.grid, r.counts);

  const SmallDirections small = make_small_directions(frame);
  const std::vector<Mat3d> symmetry = map_symmetry(p.symmetry, p.set, frame);
  for (int cell : best_cells(r.grid, r.counts, p.request.top, std::max(10.0, 2 * r.grid.step_deg), symmetry))
    r.best.push_back(advise(p, r, cell, frame, small, covered));
  // Ranked by what their lattice directions reach exactly, not by the grid's value: a
  // lower-ranked cell's direction may reach more (the grid's order breaks ties).
  std::stable_sort(r.best.begin(), r.best.end(), [](const MountAdvice& x, const MountAdvice& y) {
    return x.rank_accessible() > y.rank_accessible();
  });
  r.worst = advise(p, r, worst_cell(r.counts), frame, small, covered);
  r.best_accessible = r.counts.empty() ? 0 : *std::max_element(r.counts.begin(), r.counts.end());
  for (const MountAdvice& a : r.best)
    r.best_accessible = std::max(r.best_accessible, a.rank_accessible());
  r.best_accessible = std::max({r.best_accessible, r.worst.uvw_accessible, r.worst.hkl_accessible});
  for (const LatticeValue& v : lattice_values(p, small, covered)) {
    r.best_accessible = std::max(r.best_accessible, v.accessible);
    if (v.accessible >= r.worst.accessible)
      continue;
    // A lattice direction below every grid cell is the worst mount: given as itself.
    MountAdvice w;
    w.direction = upper(v.unit);
    w.cell = nearest_cell(r.grid, w.direction);
    w.accessible = v.accessible;
    w.uvw = v.kind == AxisKind::UVW ? NearestLattice{v.indices, 0.0}
                                     : refined_direction(frame, small, w.direction, r.grid.step_deg);
    w.hkl = v.kind == AxisKind::HKL ? NearestLattice{v.indices, 0.0}
                                     : refined_plane_normal(frame, small, w.direction, r.grid.step_deg);
    auto as_axis = [](const Indices& i) { return Vec3{float(i[0]), float(i[1]), float(i[2])}; };
    w.uvw_accessible = v.kind == AxisKind::UVW ? v.accessible
                                                : reached(p.set, covered, run_at(p, AxisKind::UVW, as_axis(w.uvw.indices)));
    w.hkl_accessible = v.kind == AxisKind::HKL ? v.accessible
                                                : reached(p.set, covered, run_at(p, AxisKind::HKL, as_axis(w.hkl.indices)));
    r.worst = w;
  }
  return r;
}

}  // namespace zirel::planning
