// zirel-batch: the filtering run from the command line. Every check is made before the
// output file is created or emptied, so a refused run leaves an existing file untouched.
#include <array>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "batch/batch_options.h"
#include "batch/progress.h"
#include "filtering/filter_run.h"
#include "filtering/prepare_run.h"
#include "recio/statement.h"
#include "recio/unit.h"

namespace zirel::batch {

namespace {

constexpr int EXIT_READ_ERROR = 1;
constexpr int EXIT_USAGE = 2;
constexpr int EXIT_SINGULAR = 3;
// A record that cannot be written (a full disk) leaves a short output file; the
// code must differ from 1, which means the input was at fault.
constexpr int EXIT_WRITE_FAILURE = 4;

[[noreturn]] void fail_on_io(const FatalReport& report) {
  std::cerr << "zirel-batch: " << report.severity << " (" << report.number
            << "): " << report.message << "\nPROBLEM IN RUNNING PROGRAM\n";
  std::exit(EXIT_WRITE_FAILURE);
}

int refuse(int code, std::string_view message) {
  std::cerr << "zirel-batch: " << message << '\n';
  return code;
}

// The option that gave the setting a refusal is about.
std::string option_of(RunParameter parameter, const BatchOptions& options) {
  switch (parameter) {
    case RunParameter::cell: return "--cell";
    case RunParameter::wavelength: return "--wavelength";
    case RunParameter::psi_max: return "--psi-max";
    case RunParameter::axis: break;
  }
  if (!options.uvw.empty())
    return "--uvw";
  return options.hkl.empty() ? "axis" : "--hkl";
}

// A singular cell is exit 3 with its determinant line; every other refusal is a
// parameter error, exit 2, naming the option.
int refuse_run(const RunRefusal& refusal, const BatchOptions& options) {
  if (refusal.kind == RefusalKind::singular_cell) {
    const auto line = determinant_line(refusal.determinant);
    std::cerr << refusal.message << '\n' << std::string_view(line.data(), line.size()) << '\n';
    return EXIT_SINGULAR;
  }
  return refuse(EXIT_USAGE, option_of(refusal.parameter, options) + ": " + refusal.message);
}

// Same device and inode: writing the output would destroy the input it reads.
bool same_file(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

std::string open_error(const char* what, IoStatus st, int32_t unit, const std::string& name) {
  return std::string("cannot ") + what + " " + name + " (" + io_message(st, unit, name) + ")";
}

int run(const BatchOptions& options) {
  Refusal refusal;
  const std::optional<RunSettings> settings = run_settings_of(options, refusal);
  if (!settings)
    return refuse(refusal.exit_code, refusal.message);

  RunPreparation prepared = prepare_run(*settings, options.generate);
  if (prepared.refusal)
    return refuse_run(*prepared.refusal, options);
  PreparedRun& run = *prepared.run;

  if (!options.generate) {
    const IoStatus st = open_unit(INPUT_UNIT, options.input, "OLD", "READ", {.err = true});
    if (st != IO_OK)
      return refuse(EXIT_USAGE, open_error("open input file", st, INPUT_UNIT, options.input));
    if (same_file(options.input, options.output))
      return refuse(EXIT_USAGE, "the output file " + options.output + " is the input file");
  }
  const IoStatus st = open_unit(OUTPUT_UNIT, options.output, "REPLACE", {}, {.err = true});
  if (st != IO_OK)
    return refuse(EXIT_USAGE, open_error("create output file", st, OUTPUT_UNIT, options.output));

  ProgressReporter progress(!options.quiet && isatty(STDERR_FILENO) == 1,
                            run.generator ? &*run.generator : nullptr);
  const FilterCounts counts = run_prepared(run, *settings, units(), progress);
  progress.clear();
  close_unit(INPUT_UNIT);
  close_unit(OUTPUT_UNIT);

  std::cout << progress.final_text() << '\n' << std::flush;
  // A script that reads the status line must not take a lost line for success.
  if (!std::cout)
    return refuse(EXIT_WRITE_FAILURE, "cannot write the status line to standard output");
  if (counts.run_failed) {
    std::cerr << "PROBLEM IN RUNNING PROGRAM\n";
    return EXIT_READ_ERROR;
  }
  return 0;
}

}  // namespace

}  // namespace zirel::batch

int main(int argc, char** argv) {
  zirel::set_fatal_handler(zirel::batch::fail_on_io);
  int exit_code = 0;
  const auto options = zirel::batch::parse_command_line(argc, argv, exit_code);
  if (!options)
    return exit_code;
  return zirel::batch::run(*options);
}
