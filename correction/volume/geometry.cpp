#include "correction/volume/geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zirel::correction {
namespace {

VolumePreparation refuse(std::string parameter, std::string message) {
  VolumePreparation p;
  p.refusal = VolumeRefusal{std::move(parameter), std::move(message)};
  return p;
}

bool positive(double v) { return std::isfinite(v) && v > 0; }

}  // namespace

VolumePreparation prepare_volume(const VolumeGeometry& g) {
  PreparedVolume v;
  v.gasket = g.gasket;
  v.crystal = g.crystal;
  const Gasket& gk = g.gasket;
  const Crystal& c = g.crystal;
  if (gk.present) {
    if (!positive(gk.thickness))
      return refuse("gasket.thickness", "the gasket's thickness must be a positive length in mm");
    if (!positive(gk.hole_diameter))
      return refuse("gasket.hole_diameter", "the gasket's hole diameter must be a positive length in mm");
    if (!gk.opaque && !(std::isfinite(gk.mu) && gk.mu >= 0))
      return refuse("gasket.mu", "the gasket's attenuation must be a number of at least 0 per mm");
    v.hole_radius = gk.hole_diameter / 2;
    v.chamber = gk.thickness;
  }
  if (!(std::isfinite(c.mu) && c.mu >= 0))
    return refuse("crystal.mu", "the crystal's attenuation must be a number of at least 0 per mm");
  if (!std::isfinite(c.offset_x) || !std::isfinite(c.offset_y))
    return refuse("crystal.offset", "the crystal's offset must be a finite length in mm");

  double reach = 0;  // the farthest the crystal comes from the axis
  double height = 0;
  const double ox = c.offset_x, oy = c.offset_y;
  switch (c.shape) {
  case CrystalShape::none:
    if (gk.present)
      return refuse("crystal", "a gasket's shadow needs the crystal: give its shape and size");
    return VolumePreparation{v, std::nullopt};
  case CrystalShape::point:
    if (!std::isfinite(c.height) || c.height < 0)
      return refuse("crystal.height", "the point's height must be a length of at least 0 mm");
    v.z_low = v.z_high = c.height;
    reach = std::hypot(ox, oy);
    break;
  case CrystalShape::plate:
    if (!positive(c.diameter))
      return refuse("crystal.diameter", "the crystal's diameter must be a positive length in mm");
    if (!positive(c.thickness))
      return refuse("crystal.thickness", "the crystal's thickness must be a positive length in mm");
    height = c.thickness;
    v.half_a = c.diameter / 2;
    reach = std::hypot(ox, oy) + v.half_a;
    v.volume = std::numbers::pi * v.half_a * v.half_a * c.thickness;
    break;
  case CrystalShape::box: {
    if (!positive(c.edge_a) || !positive(c.edge_b) || !positive(c.edge_c))
      return refuse("crystal.edges", "the crystal's three edges must be positive lengths in mm");
    if (!std::isfinite(c.angle_deg))
      return refuse("crystal.angle", "the angle of the crystal's edge must be a number of degrees");
    height = c.edge_c;
    v.half_a = c.edge_a / 2;
    v.half_b = c.edge_b / 2;
    const double t = c.angle_deg * std::numbers::pi / 180;
    v.cos_angle = std::cos(t);
    v.sin_angle = std::sin(t);
    for (double sa : {-1.0, 1.0})
      for (double sb : {-1.0, 1.0}) {
        const double x = ox + sa * v.half_a * v.cos_angle - sb * v.half_b * v.sin_angle;
        const double y = oy + sa * v.half_a * v.sin_angle + sb * v.half_b * v.cos_angle;
        reach = std::max(reach, std::hypot(x, y));
      }
    v.volume = c.edge_a * c.edge_b * c.edge_c;
    break;
  }
  }
  if (c.shape != CrystalShape::point) {
    if (gk.present && height > v.chamber)
      return refuse(c.shape == CrystalShape::plate ? "crystal.thickness" : "crystal.edges",
                    "the crystal is taller than the chamber (the gasket's thickness)");
    // Without a gasket the culets' distance is unknown; the crystal's own paths need none.
    const double top = gk.present ? v.chamber : height;
    v.z_low = c.side == Side::minus ? 0 : top - height;
    v.z_high = v.z_low + height;
  } else if (gk.present && c.height > v.chamber) {
    return refuse("crystal.height", "the point lies above the chamber (the gasket's thickness)");
  }
  if (gk.present && reach > v.hole_radius)
    return refuse("crystal.offset", "the crystal does not lie wholly inside the gasket's hole");
  return VolumePreparation{v, std::nullopt};
}

}  // namespace zirel::correction
