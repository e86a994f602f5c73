#pragma once
#include <string_view>
#include "filtering/cell_metric.h"
#include "filtering/run_settings.h"

namespace zirel {

// Radians to degrees: the single-precision value of 57.295776, one unit in the last
// place below the float nearest 180/pi. Decisions at the boundary depend on it.
inline constexpr float DEG_PER_RAD = 57.2957763671875f;

// |cos psi| above this (1.003000020980835) only arises from inconsistent geometry.
inline constexpr float COS_TOLERANCE = 1.003f;

inline constexpr std::string_view ZERO_AXIS_MESSAGE = "AXIS DIRECTION HAS ZERO LENGTH";

enum class Accessibility {
  Accessible,
  NotAccessible,  // outside the limiting sphere, beyond Psi max, or not a number
  Skipped,        // |cos psi| > COS_TOLERANCE
};

// Everything one run of the accessibility test needs, fixed before the first reflection.
struct AccessibilityRun {
  CellMetric metric;
  AxisKind axis_kind = AxisKind::UVW;
  Vec3 axis{};
  float axis_norm = 0.0f;  // |axis| in A (UVW) or A^-1 (hkl)
  float wavelength = 0.0f;
  float psi_max = 0.0f;
  // The axis has no direction; the caller refuses the run with ZERO_AXIS_MESSAGE.
  // (Should it run anyway, every reflection comes out not accessible or skipped.)
  bool zero_axis = false;
};

// The angles behind one decision, in degrees; NaN where they do not exist.
struct AccessDetail {
  Accessibility outcome = Accessibility::NotAccessible;
  float theta = 0.0f;  // Bragg angle
  float delta = 0.0f;  // scattering vector against the plane normal to the axis
};

AccessibilityRun prepare_accessibility(const RunSettings& settings, const CellMetric& metric);

// Accessible when theta + delta and theta - delta both lie strictly inside +-Psi max.
AccessDetail examine_reflection(const AccessibilityRun& run, int h, int k, int l);

inline Accessibility is_accessible(const AccessibilityRun& run, int h, int k, int l) {
  return examine_reflection(run, h, k, l).outcome;
}

}  // namespace zirel
