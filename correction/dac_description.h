// The cell's description: which half lies on the +[U V W] side, its anvils, seats and
// backing plates, from a small TOML file a crystallographer writes once from the cell's
// data sheet, with any key put over from the command line.
//
//   plus_side = "piston"          # the half on the +[U V W] side: "piston" or "cylinder"
//   [anvil]                       # both anvils, unless [piston.anvil] or [cylinder.anvil] say otherwise
//   material = "C"                # chemical formula (default C, diamond)
//   density_g_cm3 = 3.515         # (default 3.515, diamond)
//   height_mm = 1.6               # along the axis, table to culet
//   [seat]                        # blocks every beam beyond its conical aperture
//   material = "WC"
//   opening_deg = 38              # half-angle of the aperture
//   [backing_plate]               # a plate the beams pass through (beryllium), optional
//   material = "Be"
//   density_g_cm3 = 1.848
//   thickness_mm = 3
//   opening_deg = 45              # optional: a plate with no aperture blocks nothing
//   [gasket]                      # optional: the metal between the culets, with its hole
//   material = "Fe"               # formula and density (or opaque = true: nothing crosses it)
//   density_g_cm3 = 7.874
//   thickness_mm = 0.08           # after indentation: the chamber's height
//   hole_diameter_mm = 0.15       # the hole, a cylinder on the axis
//   [crystal]                     # optional: the crystal, needed with a gasket
//   shape = "plate"               # "plate" (diameter_mm, thickness_mm) or "box" (edge_a_mm,
//   lies_on = "cylinder"          #   edge_b_mm in the culet's plane, edge_c_mm along the axis, angle_deg)
//   diameter_mm = 0.06            # the culet it lies on: "piston" or "cylinder"
//   thickness_mm = 0.02
//   material = "SiO2"             # optional, with density_g_cm3: its own absorption
//   offset_x_mm = 0               # its centre from the hole's, in the cell's frame
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace zirel::correction {

// A flat layer the beams cross: an anvil or a backing plate.
struct Layer {
  std::string material;    // chemical formula, as xraylib reads it
  double density_g_cm3 = 0;
  double thickness_mm = 0;
};

// What a beam leaving through one side meets.
struct DacSide {
  std::string name;                    // "piston" or "cylinder"
  Layer anvil;
  std::string seat_material;           // empty: no seat described
  std::optional<double> opening_deg;   // the smallest aperture of seat and plate; none: no limit
  std::optional<Layer> backing_plate;
};

// The gasket between the culets; its hole a cylinder on the cell's axis.
struct GasketDescription {
  bool opaque = false;      // no beam crosses its wall (rhenium, tungsten at Mo and Ag K-alpha)
  Layer layer;              // material, density; thickness_mm after indentation
  double hole_diameter_mm = 0;
};

enum class CrystalForm { plate, box };

// The crystal in the hole, lying on the culet of one side.
struct CrystalDescription {
  CrystalForm form = CrystalForm::plate;
  std::string lies_on;                       // "piston" or "cylinder"
  double diameter_mm = 0, thickness_mm = 0;  // plate
  double edge_a_mm = 0, edge_b_mm = 0, edge_c_mm = 0, angle_deg = 0;  // box
  std::string material;                      // empty: its own absorption is not corrected
  double density_g_cm3 = 0;
  double offset_x_mm = 0, offset_y_mm = 0;   // x, y of the cell's frame
};

struct DacDescription {
  DacSide plus;   // on the +[U V W] side (+z of the cell's frame)
  DacSide minus;
  std::optional<GasketDescription> gasket;
  std::optional<CrystalDescription> crystal;
};

// A key put over the file's values: a dotted key ("piston.anvil.height_mm") and its value
// in TOML's syntax ("1.8", "\"WC\""); a bare word is taken as a string.
struct KeyOverride {
  std::string key;
  std::string value;
  std::string origin;  // the option it came from, for messages: "--anvil-height"
};

struct DacRead {
  std::optional<DacDescription> dac;
  std::string error;  // "FILE:LINE: ..." naming the key, when dac is empty
};

// `text` is the file's content (empty with no file), `source` its name for messages.
DacRead read_dac_description(const std::string& text, const std::string& source,
                             const std::vector<KeyOverride>& overrides);

// The keys a file may hold, for messages and the help.
const std::vector<std::string>& known_dac_keys();

}  // namespace zirel::correction
