#pragma once
#include <vector>
#include "cartesian.h"

namespace zirel::planning {

// Axis directions covering the upper hemisphere evenly (an axis and its opposite are
// the same mount): rings of equal polar width about z, each cut into cells of nearly
// equal area, so the cell count of a ring follows sin(polar angle). Cell j of a ring
// is centred at azimuth (j + 1/2) * 360 / size.
struct DirectionGrid {
  double step_deg = 0;    // polar width of a ring
  std::vector<int> ring_start;  // index of each ring's first cell
  std::vector<int> ring_size;   // cells in each ring

  int ring_count() const { return static_cast<int>(ring_size.size()); }
  int cell_count() const { return ring_start.empty() ? 0 : ring_start.back() + ring_size.back(); }
  double polar_deg(int ring) const { return (ring + 0.5) * step_deg; }
  double azimuth_deg(int ring, int j) const { return (j + 0.5) * 360.0 / ring_size[ring]; }
  // Solid angle of one cell of the ring, in steradians.
  double cell_area(int ring) const;
};

// The grid's rings are 90 / round(90 / step) degrees wide, so the rim falls on a ring edge.
DirectionGrid make_direction_grid(double step_deg);

struct GridCell {
  int ring = 0;
  int j = 0;
};

// Ring and position of a cell index.
GridCell locate(const DirectionGrid& grid, int cell);

// Unit vector at the centre of a cell.
Vec3d cell_direction(const DirectionGrid& grid, int cell);

}  // namespace zirel::planning
