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
struct Side {
  std::string name;                    // "piston" or "cylinder"
  Layer anvil;
  std::string seat_material;           // empty: no seat described
  std::optional<double> opening_deg;   // the smallest aperture of seat and plate; none: no limit
  std::optional<Layer> backing_plate;
};

struct DacDescription {
  Side plus;   // on the +[U V W] side (+z of the cell's frame)
  Side minus;
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
