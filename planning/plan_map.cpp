#include "planning/plan_map.h"

#include <algorithm>
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

MountAdvice advise(const PreparedPlan& p, const MapResult& r, int cell, const SmallDirections& small,
                   const std::vector<std::uint8_t>& covered) {
  MountAdvice a;
  a.cell = cell;
  a.direction = cell_direction(r.grid, cell);
  a.accessible = r.counts[cell];
  a.uvw = nearest_direction(small, a.direction);
  a.hkl = nearest_plane_normal(small, a.direction);
  auto as_axis = [](const Indices& i) { return Vec3{float(i[0]), float(i[1]), float(i[2])}; };
  a.uvw_accessible = reached(p.set, covered, run_at(p, AxisKind::UVW, as_axis(a.uvw.indices)));
  a.hkl_accessible = reached(p.set, covered, run_at(p, AxisKind::HKL, as_axis(a.hkl.indices)));
  return a;
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
    r.best.push_back(advise(p, r, cell, small, covered));
  r.worst = advise(p, r, worst_cell(r.counts), small, covered);
  return r;
}

}  // namespace zirel::planning
