#pragma once
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>
#include "cartesian.h"
#include "filtering/accessibility.h"
#include "filtering/generation.h"

namespace zirel::planning {

// A reciprocal-lattice layer with one index fixed: "h k 0", "h 0 l", "h k 2", "1 k l".
struct SectionPlane {
  int fixed = 2;  // which index is fixed: 0 h, 1 k, 2 l
  int value = 0;
};

// Reads "h k 0" and the like: two of h, k, l in their places, an integer in the third.
std::optional<SectionPlane> parse_section_plane(std::string_view text, std::string& error);
std::string section_plane_name(const SectionPlane& plane);

enum class SectionStatus { Accessible, NotAccessible, Absent };

struct SectionPoint {
  Miller hkl;
  double x = 0, y = 0;  // in the layer, inverse angstroms
  SectionStatus status = SectionStatus::NotAccessible;
  bool measured = false;
};

// The layer drawn in its own plane: x along the first free reciprocal axis, y across
// it in the plane, the origin at the foot of the perpendicular from 000.
struct Section {
  SectionPlane plane;
  std::vector<SectionPoint> points;
  double limit_radius = 0;  // where the d_min sphere cuts the layer; 0 when it misses
  std::array<double, 2> axis{};  // the DAC axis projected into the layer (unit), or zero
  bool axis_normal = false;      // the axis stands normal to the layer
  std::array<double, 2> first_axis{}, second_axis{};  // the free reciprocal axes in the layer
  std::array<double, 2> origin_row{};                 // where the free indices are both 0
  int counts[3] = {0, 0, 0};                          // by SectionStatus
  int measured = 0;
};

struct SectionInput {
  SectionPlane plane;
  const CartesianFrame* frame = nullptr;
  const AccessibilityRun* run = nullptr;  // the one orientation, as the filtering tests it
  Vec3d axis_cartesian{};
  double d_min = 0;
  std::function<bool(const Miller&)> absent;
  std::span<const Miller> measured;  // reflections of the input file, as indexed there
};

// Every reflection of the layer with d >= d_min (except 000), with its fate.
Section make_section(const SectionInput& input);

}  // namespace zirel::planning
