// Beams for the tests: a unit vector at theta to the DAC axis, azimuth phi, leaving
// through the + side (up) or the - side, all angles in degrees.
#pragma once

#include <cmath>
#include <numbers>

#include "correction/volume/geometry.h"

namespace zirel::correction::testing_beams {

constexpr double DEG = 180 / std::numbers::pi;

inline Vec3 beam(double theta_deg, double phi_deg, bool up) {
  const double t = theta_deg / DEG, f = phi_deg / DEG;
  return {std::sin(t) * std::cos(f), std::sin(t) * std::sin(f), (up ? 1 : -1) * std::cos(t)};
}

}  // namespace zirel::correction::testing_beams
