// How much of reciprocal space one mount reaches through the opening, in closed form.
// The accessibility rule (|theta + delta| < Psi max and |theta - delta| < Psi max,
// delta the scattering vector's angle against the plane normal to the axis) reaches,
// at Bragg angle theta, the band |delta| < Psi max - theta of the sphere of directions:
// a share sin(Psi max - theta) of it. Over the reciprocal vectors of length
// q = 2 sin(theta) / lambda, theta from 0 to Psi max,
//
//   V = integral_0^Psi 4 pi sin(Psi - theta) q^2 dq
//     = (32 pi / lambda^3) integral_0^Psi sin(Psi - theta) sin^2(theta) cos(theta) dtheta
//     = (4 pi / lambda^3) sin(Psi) (Psi - sin(Psi) cos(Psi)),
//
// since sin(Psi - theta) = sin Psi cos theta - cos Psi sin theta splits the integral
// into sin Psi (Psi / 8 - sin 4 Psi / 32) - cos Psi sin^4 Psi / 4, which
// sin 4 Psi = 4 sin Psi cos Psi (1 - 2 sin^2 Psi) turns into the form above.
//
// That is the published volume of the "doughnut" a DAC with a conical opening of
// half-angle alpha leaves accessible, V_DAC = (4 pi / lambda^3) sin(alpha) (alpha -
// sin(alpha) cos(alpha)): L. Merrill & W. A. Bassett, Rev. Sci. Instrum. 45 (1974)
// 290-294, as given with R. Miletich, D. R. Allan & W. F. Kuhs, Rev. Mineral.
// Geochem. 41 (2000) 445-519, by M. Kunz, IUCrJ 8 (2021) 855-856. Its widest
// reach, 2 sin(alpha) / lambda normal to the axis (A. Katrusiak, International
// Tables for Crystallography Vol. H (2018), section 2.7.7), is the d min
// lambda / (2 sin Psi max) the planning calls the finest the opening allows.
// tests/planning/test_accessible_volume.cpp counts the filtering's own decisions
// over a fine lattice against both.
#pragma once

namespace zirel::planning {

// The volume, in A^-3, reached through an opening of half-angle psi_max_deg.
double accessible_volume(double wavelength, double psi_max_deg);

// Its share of the sphere q <= 2 sin(Psi) / lambda that the opening bounds:
// 3 (Psi - sin Psi cos Psi) / (8 sin^2 Psi), whatever the wavelength. The mean
// completeness over all mounts of a crystal without symmetry, to that d min.
double accessible_share(double psi_max_deg);

}  // namespace zirel::planning
