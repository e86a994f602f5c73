// zirel-plan: the unique reflections of a crystal, how many of them one orientation
// in the diamond-anvil cell lets through, and how many a data set has measured.
#include <iostream>

#include "filtering/version.h"
#include "plan/common_options.h"
#include "plan/map_command.h"
#include "plan/report_command.h"
#include "recio/platform.h"

namespace {

constexpr const char* DESCRIPTION =
    "zirel-plan --cell A B C ALPHA BETA GAMMA (--space-group NAME | --laue SYMBOL)\n"
    "           --wavelength LAMBDA --psi-max PSI (--uvw U V W | --hkl H K L)\n"
    "           [--d-min D] [--shells N] [--anomalous] [--input FILE] [--settings FILE]\n"
    "           [--json]\n\n"
    "How complete can the data of a crystal in a diamond-anvil cell be, and how complete\n"
    "are they? Counts the unique reflections up to d min, those one orientation lets\n"
    "through the cell's opening (the accessibility test of zirel-batch), and, with\n"
    "--input, those a data set has measured, in resolution shells of equal volume.";

constexpr const char* FOOTER = R"(
Unique reflections are those of the Laue class (Friedel mates together) or, with
--anomalous, of the point group; systematic absences of the space group are left
out. A unique reflection is accessible when one of its equivalents passes.

Two subcommands plan the mount itself, each with its own --help:
  zirel-plan map ...      the completeness of every mount, the best ones as [U V W]
                          and (h k l), a second mount after a first; an SVG map
  zirel-plan section ...  one reciprocal-lattice layer for one orientation, drawn

Exit codes: 0 done, 1 an input record could not be read, 2 usage, parameter or
file error, 3 no cell (singular, or edges or angles that describe none), 4 the
report could not be written, 5 an unexpected failure (out of memory, say).

Examples:
  zirel-plan --cell 7.512 9.874 11.236 90 103.47 90 --space-group P21/c \
      --wavelength 0.7093 --psi-max 35 --uvw 0 1 0
  zirel-plan --cell 7.512 9.874 11.236 90 103.47 90 --space-group P21/c \
      --wavelength 0.7093 --psi-max 35 --uvw 0 1 0 --input monoclinic.hkl
  zirel-plan --settings zirel.dat --space-group P21/c --psi-max 40
  zirel-plan --cell 5.641 5.641 5.641 90 90 90 --laue m-3m --wavelength 0.71073 \
      --psi-max 40 --hkl 1 1 1 --d-min 0.7 --shells 5 --json
)";

}  // namespace

int main(int argc, char** argv) {
  zirel::platform::binary_standard_streams();
  zirel::platform::Utf8Arguments args(argc, argv);
  using namespace zirel::plan;
  zirel::cli::end_unexpected_failures_clearly("zirel-plan");
  if (args.argc() > 1 && std::string_view(args.argv()[1]) == "map") return map_main(args.argc() - 1, args.argv() + 1);
  if (args.argc() > 1 && std::string_view(args.argv()[1]) == "section") return section_main(args.argc() - 1, args.argv() + 1);
  ReportOptions options;
  CLI::App app{DESCRIPTION, "zirel-plan"};
  app.footer(FOOTER);
  add_report_options(app, options);
  // Answered before any other option is checked, like --help.
  app.set_version_flag("--version", "zirel-plan " ZIREL_VERSION, "Print the version and exit");
  try {
    app.parse(args.argc(), args.argv());
  } catch (const CLI::Success& e) {  // --help or --version: printed, and done
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "zirel-plan: " << e.what() << "\nRun with --help for more information.\n";
    return EXIT_USAGE;
  }
  return run_report(options);
}
