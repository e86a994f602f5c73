#include "cli/parameter_options.h"

#include <iostream>
#include "filtering/settings_records.h"
#include "recio/last_resort.h"
#include "recio/platform.h"
#include "recio/edit.h"
#include "recio/unit.h"

namespace zirel::cli {

namespace {

// The layouts are read too, so that a damaged file is refused as the program would
// refuse it; the callers take the layouts from elsewhere.
bool read_settings_file(const std::string& name, RunSettings& s, Refusal& refusal) {
  // Opening a FIFO would wait until something wrote to it.
  if (platform::is_device_or_fifo(name)) {
    refusal.message = "--settings: " + name + " is a device or a FIFO, not a file";
    return false;
  }
  const IoStatus st = open_unit(SETTINGS_UNIT, name, "OLD", "READ", {.err = true});
  if (st != IO_OK) {
    refusal.message = "--settings: cannot open " + name + ": " + io_message(st, SETTINGS_UNIT, name);
    return false;
  }
  const SettingsRead read = read_settings_records(units(), SETTINGS_UNIT, s);
  close_unit(SETTINGS_UNIT);
  if (read.out_of_range) {
    refusal.message = "--settings: " + name +
                      (read.record == 3 ? ": the axis kind in record 3 must be 0 (UVW) or 1 (hkl)"
                                        : ": the layouts in record 4 must be 1, 2 or -1 (input) and 1 or 2 (output)");
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

void add_cell_option(CLI::App& app, ParameterOptions& o) {
  app.add_option("--cell", o.cell, "Cell a b c (A) alpha beta gamma (deg), e.g. --cell 5 5 8 90 90 120")
      ->type_name("A B C ALPHA BETA GAMMA")
      ->expected(6);
}

void add_axis_options(CLI::App& app, ParameterOptions& o) {
  auto* uvw = app.add_option("--uvw", o.uvw, "Cell axis along the direction U V W, e.g. --uvw 0 0 1")
                  ->type_name("U V W")
                  ->expected(3);
  auto* hkl = app.add_option("--hkl", o.hkl, "Cell axis along the normal of plane h k l, e.g. --hkl 1 1 0")
                  ->type_name("H K L")
                  ->expected(3);
  uvw->excludes(hkl);
}

void add_beam_options(CLI::App& app, ParameterOptions& o) {
  app.add_option("--wavelength", o.wavelength, "X-ray wavelength in A, e.g. --wavelength 0.7093")
      ->type_name("LAMBDA");
  app.add_option("--psi-max", o.psi_max, "Opening half-angle of the cell in degrees, e.g. --psi-max 40")
      ->type_name("PSI");
}

void add_settings_option(CLI::App& app, ParameterOptions& o) {
  app.add_option("--settings", o.settings_file,
                 "Take cell, wavelength, Psi max and axis (UVW or hkl) from a settings file written\n"
                 "by the program; options given here override its values, e.g. --settings zirel.dat")
      ->type_name("FILE");
}

bool to_reals(const std::vector<std::string>& texts, float* values, const char* option, Refusal& refusal) {
  for (size_t i = 0; i < texts.size(); ++i)
    if (!parse_list_real(texts[i], values[i])) {
      refusal.message = std::string(option) + ": '" + texts[i] + "' is not a number";
      return false;
    }
  return true;
}

std::optional<RunSettings> parameters_of(const ParameterOptions& o, bool axis_needed, Refusal& refusal) {
  RunSettings s;
  const bool from_file = !o.settings_file.empty();
  if (from_file && !read_settings_file(o.settings_file, s, refusal))
    return std::nullopt;
  struct Need {
    bool given;
    const char* option;
  };
  for (Need need : {Need{!o.cell.empty(), "--cell"}, Need{!axis_needed || !o.uvw.empty() || !o.hkl.empty(), "--uvw or --hkl"},
                    Need{!o.wavelength.empty(), "--wavelength"}, Need{!o.psi_max.empty(), "--psi-max"}})
    if (!from_file && !need.given) {
      refusal.message = need.option + std::string(" is required (or give --settings FILE)");
      return std::nullopt;
    }
  float cell[6];
  if (!o.cell.empty()) {
    if (!to_reals(o.cell, cell, "--cell", refusal))
      return std::nullopt;
    s.cell = UnitCell{cell[0], cell[1], cell[2], cell[3], cell[4], cell[5]};
  }
  if (!o.uvw.empty() || !o.hkl.empty()) {
    const bool uvw = !o.uvw.empty();
    if (!to_reals(uvw ? o.uvw : o.hkl, s.axis.data(), uvw ? "--uvw" : "--hkl", refusal))
      return std::nullopt;
    s.axis_kind = uvw ? AxisKind::UVW : AxisKind::HKL;
  }
  if (!o.wavelength.empty() && !to_reals({o.wavelength}, &s.wavelength, "--wavelength", refusal))
    return std::nullopt;
  if (!o.psi_max.empty() && !to_reals({o.psi_max}, &s.psi_max, "--psi-max", refusal))
    return std::nullopt;
  return s;
}

Refusal refusal_of(const RunRefusal& refusal, const ParameterOptions& o) {
  if (refusal.kind == RefusalKind::singular_cell) {
    const auto line = determinant_line(refusal.determinant);
    return {EXIT_SINGULAR, refusal.message + '\n' + std::string(line.data(), line.size()), true};
  }
  std::string option;
  switch (refusal.parameter) {
    case RunParameter::cell: option = "--cell"; break;
    case RunParameter::wavelength: option = "--wavelength"; break;
    case RunParameter::psi_max: option = "--psi-max"; break;
    case RunParameter::axis: option = !o.uvw.empty() ? "--uvw" : o.hkl.empty() ? "axis" : "--hkl"; break;
    case RunParameter::generation: option = "--generate"; break;
  }
  const int code = refusal.kind == RefusalKind::invalid_cell ? EXIT_SINGULAR : EXIT_USAGE;
  return {code, option + ": " + refusal.message};
}

int tell(std::string_view program, const Refusal& refusal) {
  if (!refusal.as_it_stands)
    std::cerr << program << ": ";
  std::cerr << refusal.message << '\n';
  return refusal.exit_code;
}

void end_unexpected_failures_clearly(std::string_view program) {
  install_last_resort(
      [name = std::string(program)](std::string_view failure) {
        std::cerr << name << ": unexpected failure: " << failure << "\nPROBLEM IN RUNNING PROGRAM\n";
      },
      EXIT_UNEXPECTED);
}

}  // namespace zirel::cli
