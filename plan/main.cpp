// zirel-plan: the unique reflections of a crystal, how many of them one orientation
// in the diamond-anvil cell lets through, and how many a data set has measured.
#include <iostream>

#include "common_options.h"
#include "map_command.h"
#include "filtering/accessibility.h"
#include "planning/unique_set.h"

namespace zirel::plan {

namespace {

struct ReportOptions {
  CommonOptions common;
  AxisOptions axis;
};

int refuse(const Refusal& refusal) {
  std::cerr << "zirel-plan: " << refusal.message << '\n';
  return refusal.exit_code;
}

int report(const ReportOptions& options) {
  Refusal refusal;
  std::optional<PlanParameters> p = plan_parameters(options.common, refusal);
  if (!p || !read_axis(options.axis, p->settings, refusal))
    return refuse(refusal);
  const AccessibilityRun access = prepare_accessibility(p->settings, p->metric);
  if (access.zero_axis)
    return refuse({EXIT_USAGE, "axis: " + std::string(ZERO_AXIS_MESSAGE)});
  const UniqueSet set = unique_reflections(p->symmetry, p->metric, p->d_min, p->anomalous);
  int accessible = 0;
  for (const UniqueReflection& u : set.reflections)
    for (int i = 0; i < u.equivalent_count; ++i) {
      const Miller& m = set.equivalents[static_cast<size_t>(u.first_equivalent + i)];
      if (is_accessible(access, m.h, m.k, m.l) == Accessibility::Accessible) {
        ++accessible;
        break;
      }
    }
  std::cout << p->symmetry.name << '\n'
            << "unique " << set.reflections.size() << " accessible " << accessible << '\n';
  return std::cout ? 0 : EXIT_WRITE_FAILURE;
}

}  // namespace

}  // namespace zirel::plan

int main(int argc, char** argv) {
  using namespace zirel::plan;
  if (argc > 1 && std::string_view(argv[1]) == "map") return map_main(argc - 1, argv + 1);
  if (argc > 1 && std::string_view(argv[1]) == "section") return section_main(argc - 1, argv + 1);
  ReportOptions options;
  CLI::App app{"How complete can the data of a crystal in a diamond-anvil cell be?", "zirel-plan"};
  add_common_options(app, options.common);
  add_axis_options(app, options.axis);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "zirel-plan: " << e.what() << "\nRun with --help for more information.\n";
    return EXIT_USAGE;
  }
  return report(options);
}
