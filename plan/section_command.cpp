#include <CLI/CLI.hpp>
#include <iostream>
#include "cli/output_files.h"
#include "plan/common_options.h"
#include "plan/map_command.h"
#include "plan/map_report.h"
#include "plan/measured_input.h"
#include "plan/report_output.h"
#include "plan/subcommand.h"
#include "planning/plan_section.h"
#include "planning/pictures/section_svg.h"

namespace zirel::plan {

namespace {

constexpr const char* SECTION_FOOTER = R"(
The layer is drawn as seen along its normal, with the first free reciprocal axis to
the right. Each reflection with d >= d_min is drawn as accessible (filled),
not accessible (open) or systematically absent (a cross), decided by the same test
as the filtering run; with --input, the reflections of the file (as indexed there)
are ringed. The circle is where the d_min sphere cuts the layer; the dashed line is
the DAC axis projected into the layer, and the reflections near it are those the
opening hides.

Standard output gets the counts of the layer. Exit codes as for zirel-plan.

Examples:
  zirel-plan section --cell 7.512 9.874 11.236 90 103.47 90 --space-group P21/c \
      --wavelength 0.7093 --psi-max 35 --uvw 0 1 0 --plane "h k 0" --svg hk0.svg
  zirel-plan section --cell 7.512 9.874 11.236 90 103.47 90 --space-group P21/c \
      --wavelength 0.7093 --psi-max 35 --uvw 0 1 0 --plane "0 k l" \
      --input monoclinic.hkl --svg 0kl.svg
)";

struct SectionOptions {
  CommonOptions common;  // the axis too
  std::string plane, svg, input;
};

int refuse(const Refusal& refusal) {
  std::cerr << "zirel-plan section: " << refusal.message << '\n';
  return refusal.exit_code;
}

void write_counts(std::ostream& out, const Section& s, const PreparedPlan& p, bool with_input) {
  out << symmetry_line(p) << "\n"
      << parameters_line(p) << "\n"
      << "Layer " << section_plane_name(s.plane) << ": accessible " << s.counts[0] << ", not accessible " << s.counts[1] << ", systematically absent "
      << s.counts[2];
  if (with_input)
    out << ", measured " << s.measured;
  out << "\n";
}

int run_section(const SectionOptions& o) {
  Refusal refusal;
  // Before anything is read or written: the picture must not destroy an input.
  if (!cli::outputs_are_safe({{"--input", o.input}, {"--settings", o.common.parameters.settings_file}},
                             {{"--svg", o.svg}}, refusal))
    return refuse(refusal);
  PlanRequest request;
  request.command = PlanCommand::section;
  request.plane = o.plane;
  const std::optional<PreparedPlan> p = prepared_plan(o.common, request, refusal);
  if (!p)
    return refuse(refusal);
  std::vector<Miller> measured;
  if (!o.input.empty() &&
      !read_indices(o.input, [&](const Miller& hkl) { measured.push_back(hkl); }, refusal))
    return refuse(refusal);
  const Section section = plan_section(*p, measured);

  // Renamed into place only when everything has been written.
  cli::StagedOutputs files;
  if (!o.svg.empty()) {
    SectionPicture picture;
    picture.section = &section;
    picture.axis_label = axis_text(p->settings);
    picture.title = "Reciprocal-lattice layer " + section_plane_name(p->plane) + " for the DAC axis along " +
                    picture.axis_label;
    picture.subtitles = {p->symmetry.name, picture_parameters(*p)};
    picture.with_measured = !o.input.empty();
    if (!files.stage(o.svg, svg_finish(draw_section(picture)), refusal))
      return refuse(refusal);
  }
  write_counts(std::cout, section, *p, !o.input.empty());
  std::cout.flush();
  // A script must not take output it never got for success.
  if (!std::cout)
    return refuse({EXIT_WRITE_FAILURE, "cannot write the layer's counts to standard output"});
  if (!files.commit(refusal))
    return refuse(refusal);
  return 0;
}

}  // namespace

int section_main(int argc, char** argv) {
  SectionOptions options;
  CLI::App app{"One reciprocal-lattice layer for one orientation, drawn: what the opening hides",
               "zirel-plan section"};
  app.footer(SECTION_FOOTER);
  add_common_options(app, options.common);
  add_axis_options(app, options.common);
  app.add_option("--plane", options.plane,
                 "The layer: two of h, k, l and one fixed index, e.g. \"h k 0\", \"h 0 l\", \"h k 2\"")
      ->type_name("\"h k 0\"")
      ->required();
  app.add_option("--svg", options.svg, "Draw the layer into this SVG file")->type_name("FILE");
  app.add_option("--input", options.input, "Ring the reflections of this SHELX .hkl or Cellex .abs file")
      ->type_name("FILE");
  if (const int code = parse_arguments(app, argc, argv); code >= 0)
    return code;
  return run_section(options);
}

}  // namespace zirel::plan
