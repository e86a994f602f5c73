#include "batch/batch_options.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include "filtering/filter_run.h"
#include "filtering/settings_records.h"
#include "filtering/version.h"
#include "recio/edit.h"
#include "recio/statement.h"

namespace zirel::batch {

namespace {

constexpr const char* FOOTER = R"(
Layouts follow the file names: a name that contains ".hkl" (in any case, so
DATA.HKL too) is a SHELX file (h k l, I, sigma(I)); any other name is a Cellex
".abs" file (h k l, F, sigma(F) and two pass-through values). Either input can be
written in either layout; amplitudes and intensities are converted on the way.

Standard output gets one line, the run's final status. Exit codes: 0 completed,
1 an input record could not be read, 2 usage, parameter or file error, 3 singular cell,
4 the output (or the status line) could not be written, e.g. on a full disk.

Examples:
  zirel-batch --input data.hkl --output accessible.hkl \
      --cell 35 12 9 90 103.5 90 --uvw 0 0 1 --wavelength 0.7093 --psi-max 40
  zirel-batch --input data.abs --output data.hkl --settings zirel.dat --psi-max 38
  zirel-batch --generate --output all.abs --cell 5 5 5 90 90 90 --hkl 1 1 0 \
      --wavelength 0.2903 --psi-max 40
)";

// One number in the record I/O layer's free-format form ("5", "0.7093", "1e-3").
bool to_real(const std::string& text, float& value) { return parse_list_real(text, value); }

bool convert(const std::vector<std::string>& texts, float* values, const char* option,
             Refusal& refusal) {
  for (size_t i = 0; i < texts.size(); ++i)
    if (!to_real(texts[i], values[i])) {
      refusal.message = std::string(option) + ": '" + texts[i] + "' is not a number";
      return false;
    }
  return true;
}

// The layouts are read too, so that a damaged file is refused as the program would
// refuse it, and then replaced by those of the file names.
bool read_settings_file(const std::string& name, RunSettings& s, Refusal& refusal) {
  const IoStatus st = open_unit(SETTINGS_UNIT, name, "OLD", "READ", {.err = true});
  if (st != IO_OK) {
    refusal.message = "--settings: cannot open " + name + ": " + io_message(st, SETTINGS_UNIT, name);
    return false;
  }
  const SettingsRead read = read_settings_records(units(), SETTINGS_UNIT, s);
  close_unit(SETTINGS_UNIT);
  if (read.status == IO_OK && s.axis_kind != AxisKind::UVW && s.axis_kind != AxisKind::HKL) {
    refusal.message = "--settings: " + name + ": the axis kind in record 3 must be 0 (UVW) or 1 (hkl)";
    return false;
  }
  if (read.status != IO_OK) {
    refusal.message = "--settings: " + name + ": record " + std::to_string(read.record) +
                      (read.status == IO_END ? " is missing" : " cannot be read");
    return false;
  }
  return true;
}

}  // namespace

std::optional<BatchOptions> parse_command_line(int argc, char** argv, int& exit_code) {
  BatchOptions o;
  CLI::App app{"zirel-batch (--input FILE | --generate) --output FILE\n"
               "            --cell A B C ALPHA BETA GAMMA (--uvw U V W | --hkl H K L)\n"
               "            --wavelength LAMBDA --psi-max PSI [--settings FILE] [--quiet]\n\n"
               "Keeps the reflections a crystal in a diamond-anvil cell can reach.\n"
               "Reads a reflection file (or generates every accessible reflection) and writes\n"
               "the accessible ones.",
               "zirel-batch"};
  app.footer(FOOTER);
  auto* input = app.add_option("--input", o.input, "Reflection file to read, e.g. --input data.hkl")
                    ->type_name("FILE");
  auto* generate = app.add_flag("--generate", o.generate,
                                "Generate every accessible reflection instead of reading a file");
  input->excludes(generate);
  app.add_option("--output", o.output,
                 "Reflection file to write (created, or emptied), e.g. --output out.abs")
      ->type_name("FILE")
      ->required();
  app.add_option("--cell", o.cell, "Cell a b c (A) alpha beta gamma (deg), e.g. --cell 5 5 8 90 90 120")
      ->type_name("A B C ALPHA BETA GAMMA")
      ->expected(6);
  auto* uvw = app.add_option("--uvw", o.uvw, "Cell axis along the direction U V W, e.g. --uvw 0 0 1")
                  ->type_name("U V W")
                  ->expected(3);
  auto* hkl = app.add_option("--hkl", o.hkl, "Cell axis along the normal of plane h k l, e.g. --hkl 1 1 0")
                  ->type_name("H K L")
                  ->expected(3);
  uvw->excludes(hkl);
  app.add_option("--wavelength", o.wavelength, "X-ray wavelength in A, e.g. --wavelength 0.7093")
      ->type_name("LAMBDA");
  app.add_option("--psi-max", o.psi_max, "Opening half-angle of the cell in degrees, e.g. --psi-max 40")
      ->type_name("PSI");
  app.add_option("--settings", o.settings_file,
                 "Take cell, wavelength, Psi max and axis (UVW or hkl) from a settings file written\n"
                 "by the program; options given here override its values, e.g. --settings zirel.dat")
      ->type_name("FILE");
  app.add_flag("--quiet", o.quiet, "No progress on standard error");
  // Answered before any other option is checked, like --help.
  app.set_version_flag("--version", "zirel-batch " ZIREL_VERSION, "Print the version and exit");
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {  // --help or --version: printed, and done
    exit_code = app.exit(e);
    return std::nullopt;
  } catch (const CLI::ParseError& e) {
    std::cerr << "zirel-batch: " << e.what() << "\nRun with --help for more information.\n";
    exit_code = 2;
    return std::nullopt;
  }
  if (o.input.empty() && !o.generate) {
    std::cerr << "zirel-batch: give --input FILE or --generate\n";
    exit_code = 2;
    return std::nullopt;
  }
  return o;
}

std::optional<RunSettings> run_settings_of(const BatchOptions& o, Refusal& refusal) {
  RunSettings s;
  const bool from_file = !o.settings_file.empty();
  if (from_file && !read_settings_file(o.settings_file, s, refusal))
    return std::nullopt;
  struct Need {
    bool given;
    const char* option;
  };
  for (Need need : {Need{!o.cell.empty(), "--cell"}, Need{!o.uvw.empty() || !o.hkl.empty(), "--uvw or --hkl"},
                    Need{!o.wavelength.empty(), "--wavelength"}, Need{!o.psi_max.empty(), "--psi-max"}})
    if (!from_file && !need.given) {
      refusal.message = need.option + std::string(" is required (or give --settings FILE)");
      return std::nullopt;
    }
  float cell[6];
  if (!o.cell.empty()) {
    if (!convert(o.cell, cell, "--cell", refusal))
      return std::nullopt;
    s.cell = UnitCell{cell[0], cell[1], cell[2], cell[3], cell[4], cell[5]};
  }
  if (!o.uvw.empty() || !o.hkl.empty()) {
    const bool uvw = !o.uvw.empty();
    if (!convert(uvw ? o.uvw : o.hkl, s.axis.data(), uvw ? "--uvw" : "--hkl", refusal))
      return std::nullopt;
    s.axis_kind = uvw ? AxisKind::UVW : AxisKind::HKL;
  }
  if (!o.wavelength.empty() && !convert({o.wavelength}, &s.wavelength, "--wavelength", refusal))
    return std::nullopt;
  if (!o.psi_max.empty() && !convert({o.psi_max}, &s.psi_max, "--psi-max", refusal))
    return std::nullopt;
  if (!(s.wavelength > 0.0f)) {
    refusal.message = "--wavelength must be positive";
    return std::nullopt;
  }
  s.input_kind = o.generate ? InputKind::Generated : input_kind_for_name(o.input);
  s.output_kind = output_kind_for_name(o.output);
  return s;
}

}  // namespace zirel::batch
