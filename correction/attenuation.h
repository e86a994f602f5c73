// Linear attenuation coefficients of the cell's materials, from xraylib's total
// cross-sections: never typed from a table.
#pragma once

#include <optional>
#include <string>

namespace zirel::correction {

// Photon energy in keV of a wavelength in angstroms, E = hc / lambda with xraylib's own
// constant KEV2ANGST (hc = 12.39841930 keV A, from CODATA).
double photon_energy_kev(double wavelength_angstrom);

struct Attenuation {
  double mu_per_mm = 0;       // linear attenuation coefficient
  std::string error;          // xraylib's message when the formula or energy is refused
};

// mu = sigma_total(formula, E) * rho: the total cross-section (coherent, incoherent,
// photoelectric) in cm^2/g from xraylib's CS_Total_CP times the density in g/cm^3
// gives cm^-1, a tenth of which is mm^-1 (Schoonjans et al., Spectrochim. Acta B 66
// (2011) 776, the xraylib reference).
Attenuation linear_attenuation(const std::string& formula, double density_g_cm3, double wavelength_angstrom);

}  // namespace zirel::correction
