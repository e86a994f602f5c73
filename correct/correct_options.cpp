#include "correct/correct_options.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include "filtering/version.h"

namespace zirel::correct {

namespace {

constexpr const char* FOOTER = R"(
The input is a SHELX HKLF 4 file with direction cosines, (3I4,2F8.2,I4,6F8.5): h k l,
I, sigma(I), a batch number in columns 29-32, then in columns 33-80 the reversed
incident beam . a*, diffracted . a*, reversed incident . b*, diffracted . b*,
reversed incident . c*, diffracted . c*; columns after 80 are copied. A .raw file of
the same columns is read the same way. The output keeps every column and holds
I/T and sigma(I)/T of the reflections whose beams both passed the opening.

The cell's description (--dac FILE) is a TOML file; every key of it can be given as
--set KEY=VALUE, and the usual ones have options of their own (--anvil-height...).
Keys: plus_side, [anvil] material density_g_cm3 height_mm, [seat] material
opening_deg, [backing_plate] material density_g_cm3 thickness_mm opening_deg, and
each of the three under [piston.*] or [cylinder.*] for one side only; and between
the culets [gasket] material density_g_cm3 thickness_mm hole_diameter_mm (or
opaque = true), [crystal] shape (plate or box) lies_on (piston or cylinder)
diameter_mm thickness_mm, or edge_a_mm edge_b_mm edge_c_mm angle_deg, and optionally
material density_g_cm3 (its own absorption) offset_x_mm offset_y_mm.

Standard output gets the status line, then the summary (or, with --json, one JSON
object instead). Exit codes: 0 completed, 1 an input record could not be read, 2
usage, parameter or file error (most records failing the cosine check too), 3 no
cell, 4 the output could not be written, 5 an unexpected failure.

Examples:
  zirel-correct --input frames.hkl --output corrected.hkl --dac examples/dac-carbide.toml \
      --cell 7.1 9.4 11.2 90 101.3 90 --uvw 0 0 1 --wavelength 0.71073
  zirel-correct --input frames.hkl --output corrected.hkl --settings zirel.dat \
      --anvil-height 1.6 --seat-opening 38 --json
  zirel-correct --input data.raw --output plain.hkl --dac cell.toml --settings zirel.dat \
      --set cylinder.anvil.height_mm=1.8 --output-layout plain
  zirel-correct --input frames.hkl --output corrected.hkl --dac examples/dac-steel-gasket.toml \
      --settings zirel.dat --svg correction.svg
)";

struct Shortcut {
  const char* option;
  const char* key;
  const char* help;
};

constexpr Shortcut SHORTCUTS[] = {
    {"--plus-side", "plus_side", "Half of the cell on the +[U V W] side: piston or cylinder"},
    {"--anvil-material", "anvil.material", "Both anvils' chemical formula (default C)"},
    {"--anvil-density", "anvil.density_g_cm3", "Both anvils' density in g/cm3 (default 3.515)"},
    {"--anvil-height", "anvil.height_mm", "Both anvils' height along the axis in mm, e.g. --anvil-height 1.6"},
    {"--seat-material", "seat.material", "Both seats' chemical formula, e.g. WC"},
    {"--seat-opening", "seat.opening_deg", "Both seats' aperture half-angle in degrees, e.g. --seat-opening 38"},
    {"--plate-material", "backing_plate.material", "Both backing plates' formula, e.g. Be"},
    {"--plate-density", "backing_plate.density_g_cm3", "Both backing plates' density in g/cm3"},
    {"--plate-thickness", "backing_plate.thickness_mm", "Both backing plates' thickness in mm"},
    {"--plate-opening", "backing_plate.opening_deg", "Both backing plates' aperture half-angle in degrees"},
    {"--gasket-material", "gasket.material", "The gasket's chemical formula, e.g. --gasket-material Fe"},
    {"--gasket-density", "gasket.density_g_cm3", "The gasket's density in g/cm3, e.g. 7.874"},
    {"--gasket-thickness", "gasket.thickness_mm", "The gasket's thickness after indentation in mm, e.g. 0.08"},
    {"--gasket-hole", "gasket.hole_diameter_mm", "The gasket hole's diameter in mm, e.g. 0.15"},
    {"--crystal-on", "crystal.lies_on", "The culet the crystal lies on: piston or cylinder"},
    {"--crystal-diameter", "crystal.diameter_mm", "A plate crystal's diameter in mm"},
    {"--crystal-thickness", "crystal.thickness_mm", "A plate crystal's thickness in mm"},
    {"--crystal-material", "crystal.material", "The crystal's formula, for its own absorption, e.g. SiO2"},
    {"--crystal-density", "crystal.density_g_cm3", "The crystal's density in g/cm3"},
};

}  // namespace

std::optional<CorrectOptions> parse_command_line(int argc, char** argv, int& exit_code) {
  CorrectOptions o;
  CLI::App app{"zirel-correct --input FILE --output FILE (--dac FILE | --anvil-height MM --seat-opening DEG)\n"
               "              --cell A B C ALPHA BETA GAMMA (--uvw U V W | --hkl H K L)\n"
               "              --wavelength LAMBDA [--psi-max PSI] [--settings FILE]\n"
               "              [--set KEY=VALUE]... [--keep-unchecked] [--min-transmission F]\n"
               "              [--output-layout shelx|plain] [--cif FILE] [--svg FILE]\n"
               "              [--json] [--quiet]\n\n"
               "Corrects a reflection file measured in a diamond-anvil cell: keeps the reflections\n"
               "whose real beams passed the opening, divides I and sigma(I) by the anvils' and\n"
               "plates' transmission, and fits the cell's axis to the beams.",
               "zirel-correct"};
  app.footer(FOOTER);
  app.add_option("--input", o.input, "SHELX file with direction cosines (or .raw), e.g. --input frames.hkl")
      ->type_name("FILE")
      ->required();
  app.add_option("--output", o.output, "Corrected file to write (replaced only when the run completes)")
      ->type_name("FILE")
      ->required();
  cli::add_cell_option(app, o.parameters);
  cli::add_axis_options(app, o.parameters);
  cli::add_beam_options(app, o.parameters);
  cli::add_settings_option(app, o.parameters);
  app.add_option("--dac", o.dac_file, "The cell's description (TOML), e.g. --dac examples/dac-carbide.toml")
      ->type_name("FILE");
  std::vector<std::string> sets;
  app.add_option("--set", sets, "A key of the cell's description, e.g. --set piston.anvil.height_mm=1.8")
      ->type_name("KEY=VALUE")
      ->expected(1)
      ->take_all();
  std::vector<std::pair<const Shortcut*, std::string>> shortcut_values(std::size(SHORTCUTS));
  for (std::size_t i = 0; i < std::size(SHORTCUTS); ++i) {
    shortcut_values[i].first = &SHORTCUTS[i];
    app.add_option(SHORTCUTS[i].option, shortcut_values[i].second, SHORTCUTS[i].help);
  }
  app.add_flag("--keep-unchecked", o.keep_unchecked,
               "Write records that fail the direction-cosine check, unchanged, instead of leaving them out");
  app.add_option("--min-transmission", o.min_transmission,
                 "Leave out, as shadowed, a reflection whose factor is below this fraction of the factor on "
                 "the axis (default 0.1: nine tenths of its signal lost to the cell)")
      ->type_name("FRACTION")
      ->check(CLI::Range(0.0, 1.0));
  std::string layout = "shelx";
  app.add_option("--output-layout", layout,
                 "shelx: every column as read (default); plain: the 28 columns without cosines")
      ->check(CLI::IsMember({"shelx", "plain"}));
  app.add_option("--cif", o.cif_file,
                 "Write the CIF lines of this correction (type, T min, T max, details) to FILE")
      ->type_name("FILE");
  app.add_option("--svg", o.svg_file,
                 "Draw the transmission of one beam against its direction on each side, with the opening, the "
                 "gasket's shadow and the measured beams, e.g. --svg correction.svg")
      ->type_name("FILE");
  app.add_flag("--json", o.json, "The summary as one JSON object on standard output, for scripts");
  app.add_flag("--quiet", o.quiet, "Accepted as zirel-batch accepts it (no progress line is drawn yet)");
  app.set_version_flag("--version", "zirel-correct " ZIREL_VERSION, "Print the version and exit");
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    exit_code = app.exit(e);
    return std::nullopt;
  } catch (const CLI::ParseError& e) {
    std::cerr << "zirel-correct: " << e.what() << "\nRun with --help for more information.\n";
    exit_code = 2;
    return std::nullopt;
  }
  o.plain_output = layout == "plain";
  for (const auto& [shortcut, value] : shortcut_values)
    if (!value.empty())
      o.overrides.push_back({shortcut->key, value, shortcut->option});
  for (const std::string& s : sets) {
    const auto eq = s.find('=');
    if (eq == std::string::npos || eq == 0) {
      std::cerr << "zirel-correct: --set " << s << ": give KEY=VALUE, e.g. --set anvil.height_mm=1.6\n";
      exit_code = 2;
      return std::nullopt;
    }
    o.overrides.push_back({s.substr(0, eq), s.substr(eq + 1), "--set"});
  }
  return o;
}

}  // namespace zirel::correct
