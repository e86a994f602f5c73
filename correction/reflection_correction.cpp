#include "correction/reflection_correction.h"

#include <numbers>
#include <cmath>

namespace zirel::correction {

double BeamPath::angle_deg() const { return std::acos(std::min(cos_axis, 1.0)) * 180 / std::numbers::pi; }

BeamPath beam_path(const PreparedCorrection& p, const Vec3d& unit) {
  BeamPath b;
  b.u = p.to_cell_frame * unit;
  b.plus_side = b.u[2] > 0;
  const double c = std::fabs(b.u[2]);
  b.cos_axis = c;
  const PreparedSide& side = b.plus_side ? p.plus : p.minus;
  b.blocked = side.cos_opening > 0 ? !(c >= side.cos_opening) : !(c > 0);
  b.transmission = c > 0 ? std::exp(-side.attenuation_length / c) : 0.0;
  return b;
}

ReflectionCorrection correct_reflection(const PreparedCorrection& p, int h, int k, int l, const Cosines& cosines) {
  ReflectionCorrection r;
  r.idealised_pass = is_accessible(p.base.access, h, k, l) == Accessibility::Accessible;
  r.checked = check_beams(p.beams, h, k, l, cosines);
  if (r.checked.check != BeamCheck::ok)
    return r;
  r.incident = beam_path(p, r.checked.beams.incident_reversed);
  r.diffracted = beam_path(p, r.checked.beams.diffracted);
  r.measured_pass = !r.incident.blocked && !r.diffracted.blocked;
  r.transmission = r.incident.transmission * r.diffracted.transmission;
  // A blocked reflection is left out whatever its factor: the volume average, by far the
  // dearest part, is made only for the reflections that are kept.
  if (p.volume_factor && r.measured_pass)
    r.transmission *= p.volume_factor(r.incident.u, r.diffracted.u);
  return r;
}

}  // namespace zirel::correction
