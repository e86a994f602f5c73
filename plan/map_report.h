// What `zirel-plan map` found, and the three ways it tells it: aligned text, JSON
// for scripts, and the grid as CSV for people who plot it themselves.
#pragma once
#include <ostream>
#include <string>
#include <vector>
#include "plan/common_options.h"
#include "planning/cartesian.h"
#include "planning/pictures/map_svg.h"
#include "planning/plan_map.h"

namespace zirel::plan {

std::string indices_text(const Indices& i, AxisKind kind);  // "[1 0 -1]" or "(1 0 2)"
std::string mount_text(const Mount& m);                        // "[0 1 0]", "normal of (1 0 2)"
std::string percent(int count, int theory);                    // "38.4"

// The same without the symmetry, as a crystallographer writes it (Å, °, λ), for pictures.
std::string picture_parameters(const PreparedPlan& p);

void write_map_text(std::ostream& out, const PreparedPlan& p, const MapResult& r);
void write_map_json(std::ostream& out, const PreparedPlan& p, const MapResult& r);
// Polar angle and azimuth in degrees, the Cartesian direction, the count and the completeness.
void write_map_csv(std::ostream& out, const MapResult& r);

// The map as `zirel-plan map --svg` draws it: the grid, the crystal's axes, the
// mounts made and the best ones, with their table. Shared with the Python module so
// that both give the same picture byte for byte.
MapPicture picture_of(const PreparedPlan& p, const MapResult& r, const CartesianFrame& frame);

}  // namespace zirel::plan
