// The crystal's own absorption alone, A = (1/V) integral of exp(-mu (L_in + L_out)) dV
// for a plate and two beams that meet no wall, with the integral along the axis in
// closed form: the fast path of the volume average for the reflections whose beams
// both pass inside the gasket's shadow onset (most of a data set).
#pragma once

#include <array>
#include <optional>

#include "correction/volume/geometry.h"

namespace zirel::correction {

// Pairs of rules (points per direction on each piece), tried in turn: the first pair
// whose two results agree gives the finer one's. Most pairs of beams settle with the
// first; a strong absorber or a grazing beam may need the second.
struct RulePair {
  int coarse, fine;
};
inline constexpr std::array<RulePair, 2> CRYSTAL_RULES{{{4, 6}, {8, 12}}};

// How far apart (relative) the two rules may be for the fine one to be taken.
inline constexpr double CRYSTAL_AGREEMENT = 1e-5;

// The integral over the height at one point (X, Y) of the crystal's own plane, in
// closed form, divided by the height: the mean of exp(-mu (L_in + L_out)) over that
// column. Beams in the crystal's own frame (edge a along X), pointing away from it.
double column_mean(const PreparedVolume& v, double X, double Y, const Vec3& in_local, const Vec3& out_local);

// The column means averaged over a plate's face by a product Gauss-Legendre rule of n
// points in each direction (polar, cut where a beam grazes the rim); 1 <= n <= SHARED_RULES.
double crystal_average_rule(const PreparedVolume& v, const Vec3& u_in, const Vec3& u_out, int n);

// The pairs of CRYSTAL_RULES in turn; the fine rule's value of the first pair that
// agrees within CRYSTAL_AGREEMENT, nothing when none does (the caller then integrates
// piece by piece).
// Nothing too for a crystal that is not a plate: a box's side distance, the least of two
// faces', has kinks across its face that this rule would need cut. The gasket is not
// looked at.
std::optional<double> crystal_average(const PreparedVolume& v, const Vec3& u_in, const Vec3& u_out);

}  // namespace zirel::correction
