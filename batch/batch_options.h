// The batch tool's command line and the parameters it gives.
#pragma once

#include <optional>
#include <string>
#include "cli/parameter_options.h"
#include "filtering/run_settings.h"

namespace zirel::batch {

// Numbers stay text until they are converted by the record I/O layer's rules.
struct BatchOptions {
  std::string input;   // empty when generating
  bool generate = false;
  std::string output;
  cli::ParameterOptions parameters;  // cell, axis, wavelength, Psi max, settings file
  bool quiet = false;
};

using cli::Refusal;

// Parses argv. Returns the options, or the exit code to end with (0 after --help)
// once the message has been printed.
std::optional<BatchOptions> parse_command_line(int argc, char** argv, int& exit_code);

// The parameters of the run: the settings file's values, if one is given, with the
// options of the command line put over them. Layouts follow the file names.
// Fails when a parameter is missing or not a number, or the settings file is unreadable.
std::optional<RunSettings> run_settings_of(const BatchOptions& options, Refusal& refusal);

}  // namespace zirel::batch
