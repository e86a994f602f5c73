#include "correction/attenuation.h"

#include <xraylib/xraylib.h>

namespace zirel::correction {

double photon_energy_kev(double wavelength_angstrom) { return KEV2ANGST / wavelength_angstrom; }

Attenuation linear_attenuation(const std::string& formula, double density, double wavelength) {
  Attenuation a;
  xrl_error* error = nullptr;
  const double cross_section = CS_Total_CP(formula.c_str(), photon_energy_kev(wavelength), &error);
  if (error) {
    a.error = error->message ? error->message : "xraylib refused it";
    xrl_error_free(error);
    return a;
  }
  a.mu_per_mm = cross_section * density / 10.0;
  return a;
}

}  // namespace zirel::correction
