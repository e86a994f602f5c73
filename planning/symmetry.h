// The crystal's symmetry as planning needs it: which reflections are equivalent,
// which are systematically absent, and which one of each set stands for the rest.
// Built from a space-group name or number, or from a Laue class alone; the group
// tables are gemmi's.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include "filtering/generation.h"
#include "filtering/metric_tensor.h"
#include "filtering/unit_cell.h"

namespace zirel::planning {

// A point-group operation as it acts on Miller indices: (h' k' l') = (h k l) R,
// so h'_i = sum_j m[i][j] h_j. The entries are integers in every setting.
struct HklRotation {
  std::array<std::array<int, 3>, 3> m{};

  Miller apply(const Miller& h) const {
    return {m[0][0] * h.h + m[0][1] * h.k + m[0][2] * h.l, m[1][0] * h.h + m[1][1] * h.k + m[1][2] * h.l,
            m[2][0] * h.h + m[2][1] * h.k + m[2][2] * h.l};
  }
  bool operator==(const HklRotation&) const = default;
};

struct SymmetryTables;  // gemmi's group, its operations and its reciprocal asymmetric unit

struct Symmetry {
  // What the report's header shows: "P 1 21/c 1 (14)" or "Laue class 2/m, unique axis b".
  std::string name;
  std::string laue_class;   // "2/m", "-3m", "m-3m", ...
  std::string point_group;  // the Laue class when built from one
  std::string setting;      // "unique axis b", "-3m1", "rhombohedral axes", or empty
  int space_group_number = 0;  // 1 to 230; 0 when built from a Laue class
  bool from_laue_class = false;
  bool centrosymmetric = false;
  // The point group's rotations on hkl, identity first, each once. A centrosymmetric
  // group has the inversion among them.
  std::vector<HklRotation> rotations;
  std::shared_ptr<const SymmetryTables> tables;

  // Systematically absent in this space group (never, for a Laue class alone).
  bool is_absent(const Miller& hkl) const;
  // In the reciprocal asymmetric unit of the Laue class: exactly one member of every
  // set of equivalents with Friedel mates taken together.
  bool in_asu(const Miller& hkl) const;
  // -h -k -l is equivalent to h k l under the point group itself.
  bool is_centric(const Miller& hkl) const;
};

// How far the reciprocal metric is from being unchanged by every rotation, relative
// to its largest diagonal element: 0 for a cell of the symmetry's lattice, ~1e-7 from
// single-precision rounding. Beyond a small tolerance, reflections counted as
// equivalent would have different d-spacings.
double symmetry_misfit(const Symmetry& symmetry, const MetricTensor& g_star);

// What a cell of the symmetry's crystal family must look like, for a refusal:
// "a = b, alpha = beta = gamma = 90".
std::string cell_conditions(const Symmetry& symmetry);

// How to write a space group, for refusals and help texts.
inline constexpr std::string_view SPACE_GROUP_HINT =
    "write a Hermann-Mauguin symbol with or without spaces, with the setting where it "
    "matters (P21/c, \"P 1 21/n 1\", Pbca, \"P b n m\", I2/a, R-3:H, R-3:R, Fd-3m), "
    "or the number, 1 to 230";

inline constexpr std::string_view LAUE_CLASS_HINT =
    "write one of -1, 2/m, mmm, 4/m, 4/mmm, -3, -3m1, -31m, 6/m, 6/mmm, m-3, m-3m; "
    "2/m means unique axis b (2/m:a, 2/m:c for a or c), -3:R and -3m:R take "
    "rhombohedral axes";

// A space group from its name or number. A rhombohedral group named without its
// setting takes the one the cell's angles suggest: hexagonal axes unless
// gamma is close to alpha. Nothing, with `refusal` set, for an unknown name.
std::optional<Symmetry> symmetry_of_space_group(std::string_view name, const UnitCell& cell,
                                                std::string& refusal);

// A Laue class: every reflection present, Friedel mates always equivalent.
std::optional<Symmetry> symmetry_of_laue_class(std::string_view symbol, std::string& refusal);

}  // namespace zirel::planning
