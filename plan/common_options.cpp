#include "common_options.h"

#include <array>
#include "planning/unique_set.h"
#include "recio/edit.h"
#include "recio/statement.h"

namespace zirel::plan {

namespace {

bool convert(const std::vector<std::string>& texts, float* values, const char* option, Refusal& refusal) {
  for (size_t i = 0; i < texts.size(); ++i)
    if (!parse_list_real(texts[i], values[i])) {
      refusal.message = std::string(option) + ": '" + texts[i] + "' is not a number";
      return false;
    }
  return true;
}

std::string singular_report(const CellMetric& metric) {
  static const RecordFormat determinant_format("(F10.4)");
  std::array<char, 10> determinant;
  write_internal(determinant, determinant_format, {metric.determinant});
  return std::string(SINGULAR_CELL_MESSAGE) + '\n' + std::string(DETERMINANT_LABEL) +
         std::string(determinant.data(), determinant.size());
}

}  // namespace

void add_common_options(CLI::App& app, CommonOptions& o) {
  app.add_option("--cell", o.cell, "Cell a b c (A) alpha beta gamma (deg), e.g. --cell 7.512 9.874 11.236 90 103.47 90")
      ->type_name("A B C ALPHA BETA GAMMA")
      ->expected(6);
  auto* group = app.add_option("--space-group", o.space_group,
                               "Space group: Hermann-Mauguin symbol or number, e.g. --space-group P21/c,\n"
                               "\"P 1 21/n 1\", Pbca, R-3:H, Fd-3m, 14")
                    ->type_name("NAME");
  auto* laue = app.add_option("--laue", o.laue,
                              "Laue class instead of a space group (no absences): -1, 2/m, mmm, 4/m,\n"
                              "4/mmm, -3, -3m1, -31m, 6/m, 6/mmm, m-3, m-3m; 2/m:a, 2/m:c, -3:R, -3m:R")
                   ->type_name("SYMBOL");
  group->excludes(laue);
  app.add_option("--wavelength", o.wavelength, "X-ray wavelength in A, e.g. --wavelength 0.71073")
      ->type_name("LAMBDA");
  app.add_option("--psi-max", o.psi_max, "Opening half-angle of the cell in degrees, e.g. --psi-max 35")
      ->type_name("PSI");
  app.add_option("--d-min", o.d_min,
                 "Resolution limit in A (default: the finest the opening allows,\n"
                 "lambda / (2 sin Psi max)), e.g. --d-min 0.8")
      ->type_name("D");
  app.add_flag("--anomalous", o.anomalous,
               "Keep Friedel mates apart: unique under the point group, not the Laue class");
}

void add_axis_options(CLI::App& app, AxisOptions& o) {
  auto* uvw = app.add_option("--uvw", o.uvw, "Cell axis along the direction U V W, e.g. --uvw 0 1 0")
                  ->type_name("U V W")
                  ->expected(3);
  auto* hkl = app.add_option("--hkl", o.hkl, "Cell axis along the normal of plane h k l, e.g. --hkl 0 0 1")
                  ->type_name("H K L")
                  ->expected(3);
  uvw->excludes(hkl);
}

std::optional<PlanParameters> plan_parameters(const CommonOptions& o, Refusal& refusal) {
  PlanParameters p;
  RunSettings& s = p.settings;
  // Checked here, not by CLI11: subcommands share these options, and an option
  // required at the top would be required before every subcommand too.
  for (const auto& [given, option] : {std::pair{!o.cell.empty(), "--cell"}, std::pair{!o.wavelength.empty(), "--wavelength"},
                                      std::pair{!o.psi_max.empty(), "--psi-max"}})
    if (!given) {
      refusal.message = option + std::string(" is required");
      return std::nullopt;
    }
  float cell[6];
  if (!convert(o.cell, cell, "--cell", refusal) || !convert({o.wavelength}, &s.wavelength, "--wavelength", refusal) ||
      !convert({o.psi_max}, &s.psi_max, "--psi-max", refusal))
    return std::nullopt;
  s.cell = UnitCell{cell[0], cell[1], cell[2], cell[3], cell[4], cell[5]};
  if (!(s.wavelength > 0.0f)) {
    refusal.message = "--wavelength must be positive";
    return std::nullopt;
  }
  if (!(s.psi_max > 0.0f && s.psi_max <= 90.0f)) {
    refusal.message = "--psi-max must be above 0 and at most 90 degrees";
    return std::nullopt;
  }
  if (o.space_group.empty() && o.laue.empty()) {
    refusal.message = "give --space-group NAME or --laue SYMBOL";
    return std::nullopt;
  }
  std::string why;
  std::optional<Symmetry> symmetry = o.laue.empty() ? symmetry_of_space_group(o.space_group, s.cell, why)
                                                    : symmetry_of_laue_class(o.laue, why);
  if (!symmetry) {
    refusal.message = (o.laue.empty() ? "--space-group: " : "--laue: ") + why;
    return std::nullopt;
  }
  p.symmetry = std::move(*symmetry);
  p.metric = build_metric(s.cell);
  if (p.metric.singular) {
    refusal = {EXIT_SINGULAR, singular_report(p.metric)};
    return std::nullopt;
  }
  p.d_min_given = !o.d_min.empty();
  if (p.d_min_given) {
    float d = 0.0f;
    if (!convert({o.d_min}, &d, "--d-min", refusal))
      return std::nullopt;
    if (!(d > 0.0f)) {
      refusal.message = "--d-min must be positive";
      return std::nullopt;
    }
    p.d_min = d;
  } else {
    p.d_min = opening_d_min(s.wavelength, s.psi_max);
  }
  p.anomalous = o.anomalous;
  return p;
}

bool read_axis(const AxisOptions& o, RunSettings& s, Refusal& refusal) {
  if (o.uvw.empty() && o.hkl.empty()) {
    refusal.message = "give the crystal direction along the cell's axis: --uvw U V W or --hkl H K L";
    return false;
  }
  const bool uvw = !o.uvw.empty();
  if (!convert(uvw ? o.uvw : o.hkl, s.axis.data(), uvw ? "--uvw" : "--hkl", refusal))
    return false;
  s.axis_kind = uvw ? AxisKind::UVW : AxisKind::HKL;
  return true;
}

}  // namespace zirel::plan
