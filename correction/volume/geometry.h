// The gasket and the crystal between the culets, in the DAC frame: lengths in mm,
// z along the cell's axis, the culet of the - side anvil at z = 0, that of the + side
// at z = gasket thickness, the hole a cylinder of the hole's radius about the z axis.
#pragma once

#include <optional>
#include <string>

namespace zirel::correction {

struct Vec3 {
  double x = 0, y = 0, z = 0;
};

enum class Side { minus, plus };

struct Gasket {
  bool present = false;
  bool opaque = false;       // no beam crosses its wall; mu is then not used
  double mu = 0;             // linear attenuation, mm^-1
  double thickness = 0;      // after indentation: the chamber's height, mm
  double hole_diameter = 0;  // mm
};

enum class CrystalShape {
  none,   // not described: V = 1 (allowed only without a gasket)
  point,  // a point at `height` above the - culet, for checks by hand
  plate,  // a disc lying on the culet of `side`: diameter and thickness
  box,    // lying on the culet of `side`: edges a, b in the culet's plane, c along the axis
};

struct Crystal {
  CrystalShape shape = CrystalShape::none;
  Side side = Side::minus;  // the culet it lies on
  double diameter = 0, thickness = 0;        // plate, mm
  double edge_a = 0, edge_b = 0, edge_c = 0;  // box, mm
  double angle_deg = 0;  // box: the angle of edge a to the frame's x axis, in the culet's plane
  double height = 0;     // point: above the - culet, mm
  double mu = 0;         // its own linear attenuation, mm^-1 (0: not corrected)
  double offset_x = 0, offset_y = 0;  // of its centre from the hole's centre, mm
};

struct VolumeGeometry {
  Gasket gasket;
  Crystal crystal;
};

// Everything the path lengths need, checked and derived once.
struct PreparedVolume {
  Gasket gasket;
  Crystal crystal;
  double hole_radius = 0;
  double chamber = 0;           // the + culet's z
  double z_low = 0, z_high = 0;  // the crystal's extent along the axis
  double half_a = 0, half_b = 0;  // box: half edges in the plane; plate: radius in half_a
  double cos_angle = 1, sin_angle = 0;  // box: edge a's direction in the plane
  double volume = 0;  // mm^3 (0 for a point)
};

struct VolumeRefusal {
  std::string parameter;  // the key it is about, e.g. "gasket.hole_diameter"
  std::string message;
};

// Exactly one of the two is set.
struct VolumePreparation {
  std::optional<PreparedVolume> volume;
  std::optional<VolumeRefusal> refusal;
};

// Refuses sizes that are not positive, a μ that is negative or not finite, a crystal
// taller than the chamber or not wholly inside the hole, a crystal without a shape.
VolumePreparation prepare_volume(const VolumeGeometry& geometry);

}  // namespace zirel::correction
