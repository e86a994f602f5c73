#include "batch/batch_options.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include "filtering/filter_run.h"
#include "filtering/version.h"

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
  cli::add_cell_option(app, o.parameters);
  cli::add_axis_options(app, o.parameters);
  cli::add_beam_options(app, o.parameters);
  cli::add_settings_option(app, o.parameters);
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
  std::optional<RunSettings> settings = cli::parameters_of(o.parameters, true, refusal);
  if (!settings)
    return std::nullopt;
  RunSettings& s = *settings;
  s.input_kind = o.generate ? InputKind::Generated : input_kind_for_name(o.input);
  s.output_kind = output_kind_for_name(o.output);
  return settings;
}

}  // namespace zirel::batch
