#include "plan/map_command.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <iostream>
#include <sstream>
#include "cli/output_files.h"
#include "plan/common_options.h"
#include "plan/map_report.h"
#include "plan/subcommand.h"
#include "planning/map_input.h"
#include "planning/pictures/map_svg.h"
#include "planning/number_text.h"
#include "planning/plan_map.h"
#include "recio/edit.h"
#include "recio/platform.h"

namespace zirel::plan {

namespace {

constexpr const char* MAP_FOOTER = R"(
For every axis direction of an even grid over the hemisphere (an axis and its
opposite are the same mount) the map gives the completeness of the accessible unique
set, as the one-orientation report computes it. The best mounts are given as the
nearest small-integer direction [U V W] and plane normal (h k l) (indices up to 6,
or larger where none lies within one grid step), with the angle to each and the
completeness there, exactly as `zirel-plan --uvw` would report it, and are ranked by
the better of those two. The directions and plane normals with indices up to 2 (every
symmetry axis among them) are evaluated exactly as well: the worst and the best
take them in. The worst direction and the mean show what is at stake.

With --with (or --with-hkl) the map shows the completeness of the union of the
mounts already made with one more, so --top gives the best next mount.

The CSV grid has the polar angle and azimuth of each direction in a Cartesian frame
with a along x, b in the xy plane and c* along z, the direction itself, the count
of accessible unique reflections and the completeness in percent.

Examples:
  zirel-plan map --cell 7.512 9.874 11.236 90 103.47 90 --space-group P21/c \
      --wavelength 0.7093 --psi-max 35 --svg map.svg
  zirel-plan map --cell 20 20 20 90 100 90 --space-group P21/c --wavelength 0.71073 \
      --psi-max 35 --d-min 0.7 --step 1 --top 5 --with 0 1 0 --csv map.csv
  zirel-plan map --cell 5.64 5.64 5.64 90 90 90 --space-group Fm-3m \
      --wavelength 0.71073 --psi-max 40 --json > map.json
)";

struct MapOptions {
  CommonOptions common;
  std::string step = "2";
  int top = 5;
  std::vector<std::string> with_uvw, with_hkl;
  std::string svg, csv;
  bool json = false;
};

int refuse(const Refusal& refusal) {
  std::cerr << "zirel-plan map: " << refusal.message << '\n';
  return refusal.exit_code;
}

// The mounts of --with and --with-hkl, three numbers each.
bool read_mounts(const MapOptions& o, std::vector<MountAxis>& mounts, Refusal& refusal) {
  for (AxisKind kind : {AxisKind::UVW, AxisKind::HKL}) {
    const std::vector<std::string>& texts = kind == AxisKind::UVW ? o.with_uvw : o.with_hkl;
    const char* option = kind == AxisKind::UVW ? "--with" : "--with-hkl";
    // A number forgotten would silently drop the mount, or shift every later one.
    if (texts.size() % 3 != 0) {
      refusal.message = std::string(option) + ": give three numbers for each mount";
      return false;
    }
    for (size_t i = 0; i + 2 < texts.size(); i += 3) {
      MountAxis m{kind, {}};
      for (int j = 0; j < 3; ++j)
        if (!parse_list_real(texts[i + j], m.axis[j])) {
          refusal.message = std::string(option) + ": '" + texts[i + j] + "' is not a number";
          return false;
        }
      mounts.push_back(m);
    }
  }
  return true;
}

int run_map(const MapOptions& o) {
  Refusal refusal;
  // Before anything is read or written: an output must not destroy an input or another output.
  if (!cli::outputs_are_safe({{"--settings", o.common.parameters.settings_file}},
                             {{"--csv", o.csv}, {"--svg", o.svg}}, refusal))
    return refuse(refusal);
  PlanRequest request;
  request.command = PlanCommand::map;
  request.top = o.top;
  float step = 0;
  if (!parse_list_real(o.step, step))
    step = -1;  // refused by prepare_plan, in its turn, with the text as typed
  request.step_deg = step;
  if (!read_mounts(o, request.mounts, refusal))
    return refuse(refusal);
  const std::optional<PreparedPlan> p = prepared_plan(o.common, request, refusal, o.step);
  if (!p)
    return refuse(refusal);
  const MapResult r = plan_map(*p);

  // Renamed into place only when everything has been written.
  cli::StagedOutputs files;
  if (!o.csv.empty()) {
    std::ostringstream csv;
    write_map_csv(csv, r);
    if (!files.stage(o.csv, csv.str(), refusal))
      return refuse(refusal);
  }
  if (!o.svg.empty() &&
      !files.stage(o.svg, svg_finish(draw_map(picture_of(*p, r, make_frame(p->settings.cell)))), refusal))
    return refuse(refusal);
  if (o.json)
    write_map_json(std::cout, *p, r);
  else
    write_map_text(std::cout, *p, r);
  std::cout.flush();
  // A script must not take output it never got for success.
  if (!std::cout)
    return refuse({EXIT_WRITE_FAILURE, "cannot write the map to standard output"});
  if (!files.commit(refusal))
    return refuse(refusal);
  return 0;
}

}  // namespace

int map_main(int argc, char** argv) {
  MapOptions options;
  CLI::App app{"The completeness of every mount of the crystal in the cell, the best ones, and the map as a picture",
               "zirel-plan map"};
  app.footer(MAP_FOOTER);
  add_common_options(app, options.common);
  app.add_option("--step", options.step, "Grid step in degrees (default 2; 0.1 to 30)")->type_name("DEG");
  app.add_option("--top", options.top, "How many best mounts to give (default 5)")->type_name("K");
  app.add_option("--with", options.with_uvw, "A mount already made or planned: [U V W] along the axis (repeatable)")
      ->type_name("U V W")
      ->expected(3)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_option("--with-hkl", options.with_hkl, "The same by the normal of a plane (h k l) (repeatable)")
      ->type_name("H K L")
      ->expected(3)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_option("--svg", options.svg, "Draw the map into this SVG file")->type_name("FILE");
  app.add_option("--csv", options.csv, "Write the grid into this CSV file")->type_name("FILE");
  app.add_flag("--json", options.json, "Report in JSON on standard output, the grid included");
  if (const int code = parse_arguments(app, argc, argv); code >= 0)
    return code;
  return run_map(options);
}

}  // namespace zirel::plan
