#include "direction_grid.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zirel::planning {

namespace {
constexpr double RAD = std::numbers::pi / 180.0;
}

DirectionGrid make_direction_grid(double step_deg) {
  DirectionGrid grid;
  const int rings = std::max(1, static_cast<int>(std::lround(90.0 / step_deg)));
  grid.step_deg = 90.0 / rings;
  int start = 0;
  for (int i = 0; i < rings; ++i) {
    // Cells as wide along the ring as the ring is across: 360 sin(polar) / step of them.
    const double circumference = 360.0 * std::sin(grid.polar_deg(i) * RAD) / grid.step_deg;
    const int size = std::max(3, static_cast<int>(std::lround(circumference)));
    grid.ring_start.push_back(start);
    grid.ring_size.push_back(size);
    start += size;
  }
  return grid;
}

double DirectionGrid::cell_area(int ring) const {
  const double inner = ring * step_deg * RAD, outer = (ring + 1) * step_deg * RAD;
  return 2 * std::numbers::pi * (std::cos(inner) - std::cos(outer)) / ring_size[ring];
}

GridCell locate(const DirectionGrid& grid, int cell) {
  const auto next = std::upper_bound(grid.ring_start.begin(), grid.ring_start.end(), cell);
  const int ring = static_cast<int>(next - grid.ring_start.begin()) - 1;
  return {ring, cell - grid.ring_start[ring]};
}

Vec3d cell_direction(const DirectionGrid& grid, int cell) {
  const GridCell c = locate(grid, cell);
  const double polar = grid.polar_deg(c.ring) * RAD, azimuth = grid.azimuth_deg(c.ring, c.j) * RAD;
  return {std::sin(polar) * std::cos(azimuth), std::sin(polar) * std::sin(azimuth), std::cos(polar)};
}

}  // namespace zirel::planning
