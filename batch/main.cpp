// zirel-batch: the filtering run from the command line. Every check is made before the
// output file is created or emptied, so a refused run leaves an existing file untouched.
#include <array>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>

#include "batch/batch_options.h"
#include "batch/progress.h"
#include "filtering/filter_run.h"
#include "filtering/prepare_run.h"
#include "filtering/status_texts.h"
#include "recio/platform.h"
#include "recio/statement.h"
#include "recio/unit.h"

namespace zirel::batch {

namespace {

using cli::EXIT_READ_ERROR;
using cli::EXIT_USAGE;
// A record that cannot be written (a full disk) leaves a short output file; the
// code must differ from 1, which means the input was at fault.
using cli::EXIT_WRITE_FAILURE;

[[noreturn]] void fail_on_io(const FatalReport& report) {
  std::cerr << "zirel-batch: " << report.severity << " (" << report.number
            << "): " << report.message << "\nPROBLEM IN RUNNING PROGRAM\n";
  std::exit(EXIT_WRITE_FAILURE);
}

int refuse(int code, std::string message) { return cli::tell("zirel-batch", {code, std::move(message)}); }

std::string open_error(const char* what, IoStatus st, int32_t unit, const std::string& name) {
  return std::string("cannot ") + what + " " + name + " (" + io_message(st, unit, name) + ")";
}

int run(const BatchOptions& options) {
  Refusal refusal;
  const std::optional<RunSettings> settings = run_settings_of(options, refusal);
  if (!settings)
    return cli::tell("zirel-batch", refusal);

  RunPreparation prepared = prepare_run(*settings, options.generate);
  if (prepared.refusal)
    return cli::tell("zirel-batch", cli::refusal_of(*prepared.refusal, options.parameters));
  PreparedRun& run = *prepared.run;

  if (!options.generate) {
    // Opening a FIFO would wait until something wrote to it; a device is no reflection file.
    if (platform::is_device_or_fifo(options.input))
      return refuse(EXIT_USAGE, "the input " + options.input + " is a device or a FIFO, not a file");
    const IoStatus st = open_unit(INPUT_UNIT, options.input, "OLD", "READ", {.err = true});
    if (st != IO_OK)
      return refuse(EXIT_USAGE, open_error("open input file", st, INPUT_UNIT, options.input));
    // Writing the output would destroy the input it reads.
    if (platform::same_file(options.input, options.output))
      return refuse(EXIT_USAGE, "the output file " + options.output + " is the input file");
  }
  // Else the open would fail with a puzzling "file name specification error".
  if (platform::is_device_or_fifo(options.output))
    return refuse(EXIT_USAGE, "the output " + options.output + " is a device or a FIFO, not a file");
  const IoStatus st = open_unit(OUTPUT_UNIT, options.output, "REPLACE", {}, {.err = true});
  if (st != IO_OK)
    return refuse(EXIT_USAGE, open_error("create output file", st, OUTPUT_UNIT, options.output));

  ProgressReporter progress(!options.quiet && platform::standard_error_is_terminal(),
                            run.generator ? &*run.generator : nullptr);
  const FilterCounts counts = run_prepared(run, *settings, units(), progress, options.keep_columns);
  progress.clear();
  close_unit(INPUT_UNIT);
  close_unit(OUTPUT_UNIT);

  std::cout << progress.final_text() << '\n' << std::flush;
  // A script that reads the status line must not take a lost line for success.
  if (!std::cout)
    return refuse(EXIT_WRITE_FAILURE, "cannot write the status line to standard output");
  if (counts.stray_cr > 0)
    std::cerr << "zirel-batch: warning: " << stray_cr_warning(counts) << '\n';
  if (counts.run_failed) {
    std::cerr << "PROBLEM IN RUNNING PROGRAM\n";
    return EXIT_READ_ERROR;
  }
  return 0;
}

}  // namespace

}  // namespace zirel::batch

int main(int argc, char** argv) {
  zirel::cli::end_unexpected_failures_clearly("zirel-batch");
  zirel::platform::binary_standard_streams();
  zirel::platform::Utf8Arguments args(argc, argv);
  zirel::set_fatal_handler(zirel::batch::fail_on_io);
  int exit_code = 0;
  const auto options = zirel::batch::parse_command_line(args.argc(), args.argv(), exit_code);
  if (!options)
    return exit_code;
  return zirel::batch::run(*options);
}
