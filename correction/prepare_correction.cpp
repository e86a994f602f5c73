#include "correction/prepare_correction.h"

#include <algorithm>
#include <numbers>
#include <cmath>
#include "correction/attenuation.h"
#include "correction/volume/volume_average.h"
#include "correction/volume/volume_table.h"

namespace zirel::correction {

namespace {

bool prepare_side(const DacSide& side, double wavelength, PreparedSide& out, std::string& error) {
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
    out.cos_opening = std::cos(*side.opening_deg * std::numbers::pi / 180);
  }
  return true;
}

// μ of a chamber part's material, or the message naming its key.
bool chamber_mu(const std::string& key, const std::string& material, double density, double wavelength,
                double& mu, std::string& error) {
  const Attenuation a = linear_attenuation(material, density, wavelength);
  if (!a.error.empty()) {
    error = key + " \"" + material + "\": " + a.error;
    return false;
  }
  mu = a.mu_per_mm;
  return true;
}

// The volume library's parameter names, as the --dac file spells them.
std::string dac_key(const std::string& parameter) {
  static const std::pair<const char*, const char*> names[] = {
      {"gasket.thickness", "gasket.thickness_mm"}, {"gasket.hole_diameter", "gasket.hole_diameter_mm"},
      {"gasket.mu", "gasket.material"},           {"crystal.mu", "crystal.material"},
      {"crystal.diameter", "crystal.diameter_mm"}, {"crystal.thickness", "crystal.thickness_mm"},
      {"crystal.edges", "crystal.edge_a_mm, edge_b_mm, edge_c_mm"}, {"crystal.angle", "crystal.angle_deg"},
      {"crystal.offset", "crystal.offset_x_mm, offset_y_mm"}};
  for (const auto& [from, to] : names)
    if (parameter == from)
      return to;
  return parameter;
}

}  // namespace

VolumeGeometry volume_geometry(const DacDescription& dac, double mu_gasket, double mu_crystal) {
  VolumeGeometry g;
  if (dac.gasket) {
    g.gasket.present = true;
    g.gasket.opaque = dac.gasket->opaque;
    g.gasket.mu = dac.gasket->opaque ? 0 : mu_gasket;
    g.gasket.thickness = dac.gasket->layer.thickness_mm;
    g.gasket.hole_diameter = dac.gasket->hole_diameter_mm;
  }
  if (dac.crystal) {
    const CrystalDescription& c = *dac.crystal;
    Crystal& k = g.crystal;
    k.shape = c.form == CrystalForm::box ? CrystalShape::box : CrystalShape::plate;
    k.side = c.lies_on == dac.plus.name ? Side::plus : Side::minus;
    k.diameter = c.diameter_mm;
    k.thickness = c.thickness_mm;
    k.edge_a = c.edge_a_mm;
    k.edge_b = c.edge_b_mm;
    k.edge_c = c.edge_c_mm;
    k.angle_deg = c.angle_deg;
    k.mu = c.material.empty() ? 0 : mu_crystal;
    k.offset_x = c.offset_x_mm;
    k.offset_y = c.offset_y_mm;
  }
  return g;
}

CorrectionPreparation prepare_correction(const CorrectionSettings& s) {
  CorrectionPreparation out;
  RunPreparation base = prepare_run(s.run, false);
  if (base.refusal) {
    out.refusal = CorrectionRefusal{base.refusal, {}};
    return out;
  }
  PreparedCorrection p{std::move(*base.run), make_beam_frame(s.run.cell, s.run.wavelength), {}, {}, {}, {}, {}, {}, 0, 0, 1};
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

  // The chamber: without a gasket and without the crystal's formula the factor is 1 and
  // no volume average is made at all, so such runs cost what they did before.
  const DacDescription& d = s.dac;
  if (d.gasket && !d.gasket->opaque &&
      !chamber_mu("gasket.material", d.gasket->layer.material, d.gasket->layer.density_g_cm3, s.run.wavelength,
                  p.mu_gasket, error)) {
    out.refusal = CorrectionRefusal{std::nullopt, error};
    return out;
  }
  if (d.crystal && !d.crystal->material.empty() &&
      !chamber_mu("crystal.material", d.crystal->material, d.crystal->density_g_cm3, s.run.wavelength,
                  p.mu_crystal, error)) {
    out.refusal = CorrectionRefusal{std::nullopt, error};
    return out;
  }
  if (d.gasket || d.crystal) {
    VolumePreparation v = prepare_volume(volume_geometry(d, p.mu_gasket, p.mu_crystal));
    if (v.refusal) {
      out.refusal = CorrectionRefusal{std::nullopt, dac_key(v.refusal->parameter) + ": " + v.refusal->message};
      return out;
    }
    p.volume = std::make_shared<const PreparedVolume>(std::move(*v.volume));
    if (d.gasket || p.mu_crystal > 0) {
      // From a table for a plate (see volume_table.h), integrated for a box. The table
      // reaches to each side's opening (a beam beyond it is blocked and never asks) but
      // not beyond 80 degrees, where V falls steeply to 0: those few are integrated.
      const auto limit = [](const PreparedSide& side) { return std::min(side.opening_deg, 80.0); };
      if (std::optional<VolumeTable> table = VolumeTable::make(*p.volume, {limit(p.minus), limit(p.plus)})) {
        p.volume_factor = [table = std::move(*table)](const Vec3d& in, const Vec3d& out_beam) {
          return table(Vec3{in[0], in[1], in[2]}, Vec3{out_beam[0], out_beam[1], out_beam[2]});
        };
      } else {
        p.volume_factor = [volume = p.volume](const Vec3d& in, const Vec3d& out_beam) {
          return volume_average(*volume, Vec3{in[0], in[1], in[2]}, Vec3{out_beam[0], out_beam[1], out_beam[2]});
        };
      }
    }
  }
  // The reference of --min-transmission: one beam out through each anvil along the axis
  // (integrated directly, so that preparing a run does not fill a table).
  p.t_axis = std::exp(-p.plus.attenuation_length - p.minus.attenuation_length);
  if (p.volume_factor)
    p.t_axis *= volume_average(*p.volume, Vec3{0, 0, 1}, Vec3{0, 0, -1});
  out.prepared = std::move(p);
  return out;
}

}  // namespace zirel::correction
