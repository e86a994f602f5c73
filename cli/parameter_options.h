// The options that give a run's parameters on the command line, and a settings file
// under them, for every command-line program: defined, read and refused alike.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string_view>
#include <string>
#include <vector>
#include "filtering/prepare_run.h"
#include "filtering/run_settings.h"

namespace zirel::cli {

// Exit codes of every command-line program.
inline constexpr int EXIT_READ_ERROR = 1;     // an input record could not be read
inline constexpr int EXIT_USAGE = 2;          // usage, parameter or file error
inline constexpr int EXIT_SINGULAR = 3;       // singular cell
inline constexpr int EXIT_WRITE_FAILURE = 4;  // the output could not be written

// A refusal: what to tell the user on standard error, and the exit code.
struct Refusal {
  int exit_code = EXIT_USAGE;
  std::string message;
};

// Numbers stay text until they are converted by the record I/O layer's rules.
struct ParameterOptions {
  std::vector<std::string> cell, uvw, hkl;
  std::string wavelength, psi_max;
  std::string settings_file;
};

// --cell; --uvw | --hkl; --wavelength and --psi-max; --settings. Separate, so that each
// program lists them in its own order, and one without an axis leaves it out.
void add_cell_option(CLI::App& app, ParameterOptions& options);
void add_axis_options(CLI::App& app, ParameterOptions& options);
void add_beam_options(CLI::App& app, ParameterOptions& options);
void add_settings_option(CLI::App& app, ParameterOptions& options);

// Numbers in the record I/O layer's free-format form ("5", "0.7093", "1e-3").
bool to_reals(const std::vector<std::string>& texts, float* values, const char* option, Refusal& refusal);

// The settings file's values, if one is given, with the options put over them. Refuses
// a missing parameter (the axis only when `axis_needed`), one that is not a number, a
// wavelength that is not positive, and a settings file that cannot be read.
std::optional<RunSettings> parameters_of(const ParameterOptions& options, bool axis_needed, Refusal& refusal);

// A refusal of prepare_run as the command line tells it: a singular cell is exit 3
// with its determinant line; any other is exit 2, naming the option.
Refusal refusal_of(const RunRefusal& refusal, const ParameterOptions& options);

// Tells a refusal on standard error as "PROGRAM: message" (a singular cell's report as
// it stands, in the form's words) and gives its exit code.
int tell(std::string_view program, const Refusal& refusal);

}  // namespace zirel::cli
