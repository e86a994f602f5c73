#include <CLI/CLI.hpp>
#include <iostream>
#include "common_options.h"
#include "filtering/filter_run.h"
#include "filtering/reflection_layouts.h"
#include "map_command.h"
#include "map_report.h"
#include "report_output.h"
#include "planning/map_input.h"
#include "planning/section_svg.h"
#include "recio/io_error.h"
#include "recio/unit.h"
#include "subcommand.h"

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

// Free while zirel-plan runs; the filtering's own input unit.
constexpr int32_t SECTION_INPUT_UNIT = 1;

struct SectionOptions {
  CommonOptions common;
  AxisOptions axis;
  std::string plane, svg, input;
};

int refuse(const Refusal& refusal) {
  std::cerr << "zirel-plan section: " << refusal.message << '\n';
  return refusal.exit_code;
}

// The indices of every reflection of the file, up to a 0 0 0 record or the end.
bool read_measured(const std::string& path, std::vector<Miller>& out, Refusal& refusal) {
  const IoStatus opened = open_unit(SECTION_INPUT_UNIT, path, "OLD", "READ", {.err = true});
  if (opened != IO_OK) {
    refusal.message = "--input: cannot open " + path + ": " + io_message(opened, SECTION_INPUT_UNIT, path);
    return false;
  }
  const InputKind kind = input_kind_for_name(path);
  Reflection r;
  IoStatus st;
  while ((st = read_reflection(SECTION_INPUT_UNIT, kind, r)) == IO_OK && !(r.h == 0 && r.k == 0 && r.l == 0))
    out.push_back({r.h, r.k, r.l});
  close_unit(SECTION_INPUT_UNIT);
  if (st != IO_OK && st != IO_END) {
    refusal = {EXIT_READ_ERROR, "--input: " + path + ": record " + std::to_string(out.size() + 1) +
                                    " cannot be read"};
    return false;
  }
  return true;
}

void write_counts(std::ostream& out, const Section& s, const PlanParameters& p, bool with_input) {
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
  std::optional<PlanParameters> p = plan_parameters(o.common, refusal);
  if (!p || !read_axis(o.axis, p->settings, refusal))
    return refuse(refusal);
  std::string why;
  const std::optional<SectionPlane> plane = parse_section_plane(o.plane, why);
  if (!plane)
    return refuse({EXIT_USAGE, why});
  const AccessibilityRun run = prepare_accessibility(p->settings, p->metric);
  if (run.zero_axis)
    return refuse({EXIT_USAGE, "axis: " + std::string(ZERO_AXIS_MESSAGE)});
  std::vector<Miller> measured;
  if (!o.input.empty() && !read_measured(o.input, measured, refusal))
    return refuse(refusal);

  const CartesianFrame frame = make_frame(p->settings.cell);
  SectionInput in;
  in.plane = *plane;
  in.frame = &frame;
  in.run = &run;
  in.axis_cartesian = axis_direction(frame, p->settings.axis_kind, p->settings.axis);
  in.d_min = p->d_min;
  in.absent = [&](const Miller& m) { return p->symmetry.is_absent(m); };
  in.measured = measured;
  const Section section = make_section(in);

  if (!o.svg.empty()) {
    SectionPicture picture;
    picture.section = &section;
    picture.axis_label = axis_text(p->settings);
    picture.title = "Reciprocal-lattice layer " + section_plane_name(*plane) + " for the DAC axis along " +
                    picture.axis_label;
    picture.subtitles = {p->symmetry.name, picture_parameters(*p)};
    picture.with_measured = !o.input.empty();
    std::string error;
    if (!write_svg_file(draw_section(picture), o.svg, error))
      return refuse({EXIT_WRITE_FAILURE, error});
  }
  write_counts(std::cout, section, *p, !o.input.empty());
  std::cout.flush();
  return std::cout ? 0 : EXIT_WRITE_FAILURE;
}

}  // namespace

int section_main(int argc, char** argv) {
  SectionOptions options;
  CLI::App app{"One reciprocal-lattice layer for one orientation, drawn: what the opening hides",
               "zirel-plan section"};
  app.footer(SECTION_FOOTER);
  add_common_options(app, options.common);
  add_axis_options(app, options.axis);
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
