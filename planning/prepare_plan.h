// From a plan's request to everything the report, the map or the section needs, or
// the reason it cannot be made. Every front end (the command line, a script with
// numbers in hand) fills a PlanRequest and calls prepare_plan, so each refusal is
// decided here and in this order:
//   1. the symmetry: a space group or a Laue class, and one that is known;
//   2. the run's own checks: the wavelength, Psi max, the cell (singular, edges,
//      angles), then the axis when the command looks along one (report, section);
//   3. an opening: Psi max above 0, since d min and every plan need one;
//   4. the cell has the symmetry's metric;
//   5. d min, when given, is positive;
//   6. the sphere up to d min holds at most MAX_SPHERE_REFLECTIONS;
//   7. the map: its step, its number of best mounts; the section: its layer;
//   8. the report and the map: at least one unique reflection, then every mount
//      the map was given has a direction.
// A new refusal is one more step here.
#pragma once

#include <optional>
#include <string>
#include <vector>
#include "filtering/accessibility.h"
#include "filtering/cell_metric.h"
#include "filtering/run_settings.h"
#include "planning/section.h"
#include "planning/symmetry.h"
#include "planning/unique_set.h"

namespace zirel::planning {

enum class PlanCommand { report, map, section };

// An orientation of the crystal: [U V W] along the axis, or the normal of (h k l).
struct MountAxis {
  AxisKind kind = AxisKind::UVW;
  Vec3 axis{};
};

// What a plan is asked for: plain numbers and names, no file and no command line.
struct PlanRequest {
  PlanCommand command = PlanCommand::report;
  UnitCell cell;
  float wavelength = 0.0f;  // angstroms
  float psi_max = 0.0f;     // opening half-angle, degrees
  MountAxis axis;           // the report's and the section's orientation; not read by the map
  std::string space_group;  // a Hermann-Mauguin symbol or a number...
  std::string laue;         // ...or a Laue class instead (one of the two)
  std::optional<float> d_min;  // angstroms; without it the finest the opening allows
  bool anomalous = false;
  // The map's.
  float step_deg = 2.0f;
  int top = 5;
  std::vector<MountAxis> mounts;  // already made or planned
  // The section's: "h k 0", "h 0 l", "1 k l"...
  std::string plane = "h k 0";
};

enum class PlanRefusalKind {
  invalid_parameter,  // a value no plan can use
  singular_cell,      // the cell's metric cannot be inverted
  invalid_cell,       // the metric inverts, but the edges or angles describe no cell
  zero_axis,          // the axis (or a mount's) has no direction
  too_large,          // the sphere up to d min holds too many reflections
  nothing_to_plan,    // no reflection lies within d min
};

// The request field a refusal is about, so that a front end can name its own.
enum class PlanParameter { symmetry, cell, axis, wavelength, psi_max, d_min, step, top, mounts, plane };

struct PlanRefusal {
  PlanRefusalKind kind = PlanRefusalKind::invalid_parameter;
  PlanParameter parameter = PlanParameter::cell;
  std::string message;       // without the field's name; the run's own checks in their upper case
  float determinant = 0.0f;  // singular cell: det G
  int mount = -1;            // the mount a mounts refusal is about
};

// More reflections than this in the sphere would take most of a minute and gigabytes;
// no crystal measured in a diamond-anvil cell comes near it.
inline constexpr double MAX_SPHERE_REFLECTIONS = 20.0e6;

// A reflection whose d equals a given d min to within this relative amount is inside:
// a typed limit such as 0.6 meets the reflections that lie on it, and their
// single-precision d falls a rounding either side of it. The opening's own limit
// keeps the generator's exact test, so that theory and --generate agree.
inline constexpr double D_MIN_RELATIVE_TOLERANCE = 1e-6;

struct PreparedPlan {
  PlanRequest request;
  RunSettings settings;     // the cell, wavelength, Psi max and axis of the request
  CellMetric metric;
  AccessibilityRun access;  // at the request's axis (report, section)
  Symmetry symmetry;
  double d_min = 0;         // the request's, or the finest the opening allows
  bool d_min_given = false;
  double counted_d_min = 0;  // the limit the counts use: a given d min widened by D_MIN_RELATIVE_TOLERANCE
  bool anomalous = false;
  UniqueSet set;            // the theory (report, map)
  SectionPlane plane;       // the section's layer
};

// Exactly one of the two is set.
struct PlanPreparation {
  std::optional<PreparedPlan> plan;
  std::optional<PlanRefusal> refusal;
};

PlanPreparation prepare_plan(const PlanRequest& request);

// "[0 1 0]" or "normal of (1 0 2)", the numbers as short as they read back.
std::string axis_text(const MountAxis& axis);

// A count in words a person reads at once: "21095862", "3.4e+19"; never a wrapped integer.
std::string count_text(double count);

}  // namespace zirel::planning
