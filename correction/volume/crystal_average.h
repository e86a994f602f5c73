// The volume average of a plate, A = (1/V) integral of exp(-sum of mu L) dV over the
// crystal's own paths and, for the beams that may meet it, the gasket's wall, with the
// integral along the axis in closed form: the fast path of the volume average.
#pragma once

#include <array>
#include <optional>

#include "correction/volume/geometry.h"

namespace zirel::correction {

// Pairs of rules (points per direction on each piece), tried in turn: the first pair
// whose two results agree gives the finer one's. Most pairs of beams settle with the
// first; a strong absorber or a grazing beam may need a later one. With the crystal
// alone the rules converge fast, and two neighbouring orders tell the error; a wall's
// shadow converges more slowly, and 3 against 4 points can agree while both are off by
// 1e-4, so its pairs start further apart.
struct RulePair {
  int coarse, fine;
};
inline constexpr std::array<RulePair, 3> CRYSTAL_RULES{{{3, 4}, {6, 8}, {12, 16}}};
inline constexpr std::array<RulePair, 3> WALL_RULES{{{4, 6}, {8, 12}, {16, 24}}};

// How far apart (relative) the two rules may be for the fine one to be taken.
inline constexpr double CRYSTAL_AGREEMENT = 1e-5;

// The column means averaged over a plate's face by a product Gauss-Legendre rule of n
// points in each direction on each piece (polar, cut where the means are not smooth);
// 1 <= n <= SHARED_RULES. wall[b]: the gasket's wall is taken into beam b's paths (for a
// beam that meets it from some point of the crystal; else it changes nothing).
double crystal_average_rule(const PreparedVolume& v, const Vec3& u_in, const Vec3& u_out, int n,
                            std::array<bool, 2> wall = {false, false});

// The pairs of CRYSTAL_RULES (WALL_RULES when a beam meets the wall) in turn; the fine
// rule's value of the first pair that
// agrees within CRYSTAL_AGREEMENT, nothing when none does (the caller then integrates
// piece by piece). Nothing too for a crystal that is not a plate (a box's side
// distance, the least of two faces', has kinks across its face that this rule would
// need cut), and for a beam parallel to the culets that meets the wall.
std::optional<double> crystal_average(const PreparedVolume& v, const Vec3& u_in, const Vec3& u_out,
                                      std::array<bool, 2> wall = {false, false});

}  // namespace zirel::correction
