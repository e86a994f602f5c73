#include "map_ranking.h"

#include <algorithm>
#include <numeric>

namespace zirel::planning {

std::vector<int> best_cells(const DirectionGrid& grid, std::span<const int> counts, int k,
                            double separation_deg, std::span<const Mat3d> symmetry) {
  std::vector<int> order(counts.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int x, int y) { return counts[x] > counts[y]; });

  std::vector<int> chosen;
  std::vector<Vec3d> taken;  // every image of every chosen mount
  for (int cell : order) {
    if (static_cast<int>(chosen.size()) >= k)
      break;
    const Vec3d n = cell_direction(grid, cell);
    const bool apart = std::all_of(taken.begin(), taken.end(),
                                   [&](const Vec3d& t) { return axis_angle_deg(n, t) >= separation_deg; });
    if (!apart)
      continue;
    chosen.push_back(cell);
    taken.push_back(n);
    for (const Mat3d& r : symmetry)
      taken.push_back(r * n);
  }
  return chosen;
}

int worst_cell(std::span<const int> counts) {
  return static_cast<int>(std::min_element(counts.begin(), counts.end()) - counts.begin());
}

double mean_count(const DirectionGrid& grid, std::span<const int> counts) {
  double sum = 0, area = 0;
  for (int ring = 0; ring < grid.ring_count(); ++ring) {
    const double a = grid.cell_area(ring);
    for (int j = 0; j < grid.ring_size[ring]; ++j)
      sum += a * counts[grid.ring_start[ring] + j];
    area += a * grid.ring_size[ring];
  }
  return area > 0 ? sum / area : 0;
}

}  // namespace zirel::planning
