#include "filtering/accessibility.h"

#include <cmath>
#include <limits>

namespace zirel {

AccessibilityRun prepare_accessibility(const RunSettings& settings, const CellMetric& metric) {
  AccessibilityRun run;
  run.metric = metric;
  run.axis_kind = settings.axis_kind;
  run.axis = settings.axis;
  run.wavelength = settings.wavelength;
  run.psi_max = settings.psi_max;
  run.axis_norm = settings.axis_kind == AxisKind::HKL ? 1.0f / d_spacing(metric, settings.axis)
                                                      : direct_length(metric, settings.axis);
  run.zero_axis = run.axis_norm == 0.0f;
  return run;
}

AccessDetail examine_reflection(const AccessibilityRun& run, int h, int k, int l) {
  constexpr float nan = std::numeric_limits<float>::quiet_NaN();
  const Vec3 hkl{static_cast<float>(h), static_cast<float>(k), static_cast<float>(l)};
  const CellMetric& metric = run.metric;

  float dot;
  if (run.axis_kind == AxisKind::HKL) {
    dot = reciprocal_product(metric, hkl, run.axis);
  } else {
    dot = 0.0f;
    for (int i = 0; i < 3; ++i)
      dot = dot + hkl[i] * run.axis[i];
  }
  const float d = d_spacing(metric, hkl);

  AccessDetail out{Accessibility::NotAccessible, nan, nan};
  float cos_psi = dot * d / run.axis_norm;
  if (std::fabs(cos_psi) > COS_TOLERANCE) {
    out.outcome = Accessibility::Skipped;
    return out;
  }
  if (cos_psi > 1.0f)
    cos_psi = 1.0f;
  if (cos_psi < -1.0f)
    cos_psi = -1.0f;
  const float to_plane = std::acos(cos_psi) * DEG_PER_RAD;
  out.delta = 90.0f - to_plane;

  const float half_lambda = run.wavelength / 2.0f;
  if (half_lambda > d)
    return out;  // beyond the limiting sphere: no Bragg angle
  out.theta = std::asin(half_lambda / d) * DEG_PER_RAD;

  // Both beams must pass the cell's opening, a cone of half-angle Psi max about the
  // axis. With the scattering vector at delta to the plane normal to the axis, and the
  // crystal turned so that the beams lie in the plane of the axis and the scattering
  // vector (the most favourable setting), the incident and the diffracted beam make
  // the angles theta + delta and theta - delta with the axis; see the accessible
  // reciprocal space of a diamond-anvil cell in R. Miletich, D. R. Allan & W. F. Kuhs,
  // "High-pressure single-crystal techniques", Rev. Mineral. Geochem. 41 (2000) 445-519.
  const float sum = out.theta + out.delta;
  const float diff = out.theta - out.delta;
  // A NaN anywhere fails both comparisons.
  if (std::fabs(sum) < run.psi_max && std::fabs(diff) < run.psi_max)
    out.outcome = Accessibility::Accessible;
  return out;
}

}  // namespace zirel
