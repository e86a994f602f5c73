// zirel-correct's command line: the run's parameters as zirel-batch takes them, the
// cell's description (--dac FILE and a key of it put over from an option), the output's
// layout and the report's form.
#pragma once

#include <optional>
#include <string>
#include <vector>
#include "cli/parameter_options.h"
#include "correction/dac_description.h"

namespace zirel::correct {

struct CorrectOptions {
  std::string input, output;
  cli::ParameterOptions parameters;  // cell, axis, wavelength, Psi max, settings file
  std::string dac_file;
  std::string cif_file;  // --cif: the CIF lines of this step, empty: none
  std::string svg_file;  // --svg: the picture of the correction, empty: none
  std::vector<correction::KeyOverride> overrides;  // in the order given
  bool keep_unchecked = false;
  double min_transmission = 0.1;  // of the on-axis factor: below it a reflection is left out
  bool plain_output = false;  // --output-layout plain: the 28 columns only
  bool json = false;
  bool quiet = false;
};

// Parses argv. Returns the options, or the exit code to end with (0 after --help).
std::optional<CorrectOptions> parse_command_line(int argc, char** argv, int& exit_code);

}  // namespace zirel::correct
