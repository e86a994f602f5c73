#include "correction/prepare_correction.h"

#include <cmath>
#include "correction/attenuation.h"

namespace zirel::correction {

namespace {

bool prepare_side(const Side& side, double wavelength, PreparedSide& out, std::string& error) {
  const Attenuation anvil = linear_attenuation(side.anvil.material, side.anvil.density_g_cm3, wavelength);
  if (!anvil.error.empty()) {
    error = side.name + ".anvil.material \"" + side.anvil.material + "\": " + anvil.error;
    return false;
  }
  out.mu_anvil = anvil.mu_per_mm;
  out.attenuation_length = out.mu_anvil * side.anvil.thickness_mm;
  if (side.backing_plate) {
    const Layer& p = *side.backing_plate;
    const Attenuation plate = linear_attenuation(p.material, p.density_g_cm3, wavelength);
    if (!plate.error.empty()) {
      error = side.name + ".backing_plate.material \"" + p.material + "\": " + plate.error;
      return false;
    }
    out.mu_plate = plate.mu_per_mm;
    out.attenuation_length += out.mu_plate * p.thickness_mm;
  }
  if (side.opening_deg) {
    out.opening_deg = *side.opening_deg;
    out.cos_opening = std::cos(*side.opening_deg * M_PI / 180);
  }
  return true;
}

}  // namespace

CorrectionPreparation prepare_correction(const CorrectionSettings& s) {
  CorrectionPreparation out;
  RunPreparation base = prepare_run(s.run, false);
  if (base.refusal) {
    out.refusal = CorrectionRefusal{base.refusal, {}};
    return out;
  }
  PreparedCorrection p{std::move(*base.run), make_beam_frame(s.run.cell, s.run.wavelength), {}, {}, {}, {}, {}};
  std::string error;
  if (!prepare_side(s.dac.plus, s.run.wavelength, p.plus, error) ||
      !prepare_side(s.dac.minus, s.run.wavelength, p.minus, error)) {
    out.refusal = CorrectionRefusal{std::nullopt, error};
    return out;
  }
  if (!s.dac.plus.opening_deg && !s.dac.minus.opening_deg) {
    out.refusal = CorrectionRefusal{std::nullopt, NO_OPENING_MESSAGE};
    return out;
  }
  const Vec3d axis{s.run.axis[0], s.run.axis[1], s.run.axis[2]};
  const Vec3d z = planning::normalized(s.run.axis_kind == AxisKind::UVW ? p.beams.frame.direct_vector(axis)
                                                                     : p.beams.frame.reciprocal_vector(axis));
  // x: the part of a (or of b, when a lies along the axis) normal to z; y = z x x.
  Vec3d helper = p.beams.frame.direct_vector({1, 0, 0});
  if (planning::norm(planning::cross(planning::normalized(helper), z)) < 1e-3)
    helper = p.beams.frame.direct_vector({0, 1, 0});
  const Vec3d x = planning::normalized(planning::cross(planning::cross(z, helper), z));
  p.to_cell_frame.row = {x, planning::cross(z, x), z};
  p.small = planning::make_small_directions(p.beams.frame);
  out.prepared = std::move(p);
  return out;
}

}  // namespace zirel::correction
