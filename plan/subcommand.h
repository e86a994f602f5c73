#pragma once
#include <CLI/CLI.hpp>
#include <iostream>
#include "plan/common_options.h"

namespace zirel::plan {

// Parses a subcommand's own arguments. The exit code when the program should end at
// once (after --help, or a usage error already reported), -1 to go on.
inline int parse_arguments(CLI::App& app, int argc, char** argv) {
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << app.get_name() << ": " << e.what() << "\nRun with --help for more information.\n";
    return EXIT_USAGE;
  }
  return -1;
}

}  // namespace zirel::plan
