#include "planning/accessible_volume.h"

#include <cmath>
#include <numbers>

namespace zirel::planning {

double accessible_volume(double wavelength, double psi_max_deg) {
  const double psi = psi_max_deg * std::numbers::pi / 180;
  return 4 * std::numbers::pi / (wavelength * wavelength * wavelength) * std::sin(psi) *
         (psi - std::sin(psi) * std::cos(psi));
}

double accessible_share(double psi_max_deg) {
  const double psi = psi_max_deg * std::numbers::pi / 180, s = std::sin(psi);
  return 3 * (psi - s * std::cos(psi)) / (8 * s * s);
}

}  // namespace zirel::planning
