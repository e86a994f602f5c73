// A simulated rotation experiment in a diamond-anvil cell: a crystal mounted with a
// lattice direction along the cell's axis, the cell facing the source at omega = 0,
// turned about a vertical axis through a scan; every reflection on the Ewald sphere
// written as a SHELX record with its direction cosines. Tests and the benchmark use it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include "planning/cartesian.h"

namespace zirel::simulation {

struct Experiment {
  UnitCell cell{7.1f, 9.4f, 11.2f, 90.0f, 101.3f, 90.0f};
  planning::Vec3d mount_uvw{0, 0, 1};  // the direction along the cell's axis (towards the source at omega 0)
  double wavelength = 0.71073;
  double omega_half_range_deg = 30;  // scan from -range to +range
  int max_index = 8;
  double spin_deg = 17;  // the crystal's turn about the cell's axis
};

struct Record {
  int h, k, l;
  double omega_deg;
  std::array<double, 6> cosines;  // file order: in.a*, out.a*, in.b*, out.b*, in.c*, out.c*
};

// Calls `emit` for every reflection of the scan, in order of h, k, l and omega.
void simulate(const Experiment& e, const std::function<void(const Record&)>& emit);

// The record as (3I4,2F8.2,I4,6F8.5) with I, sigma(I), batch 1 and `tail` after column 80.
std::string shelx_line(const Record& r, double intensity, double sigma, const std::string& tail = "");

}  // namespace zirel::simulation
