#include "plan/report_output.h"

#include <cmath>
#include <vector>
#include "planning/number_text.h"

namespace zirel::plan {

namespace {

// part / whole in percent with one decimal, "-" when there is no whole.
std::string percent_text(std::int64_t part, std::int64_t whole) {
  return whole > 0 ? fixed_text(100.0 * static_cast<double>(part) / static_cast<double>(whole), 1) : "-";
}

std::string ratio_text(std::int64_t part, std::int64_t whole) {
  return whole > 0 ? fixed_text(static_cast<double>(part) / static_cast<double>(whole), 2) : "-";
}

std::string d_text(double d) { return std::isfinite(d) && d > 0.0 ? fixed_text(d, 4) : "-"; }

constexpr size_t WIDTHS[] = {7, 9, 9, 9, 11, 9, 10, 9, 10, 11};

void write_row(std::ostream& out, const std::vector<std::string>& cells) {
  std::string line;
  for (size_t i = 0; i < cells.size(); ++i)
    line += right_aligned(cells[i], WIDTHS[i]);
  out << line << '\n';
}

std::vector<std::string> row_of(const std::string& label, const ShellCounts& s, bool measured) {
  std::vector<std::string> cells{label, d_text(s.d_max), d_text(s.d_min),
                                 std::to_string(s.theory), std::to_string(s.accessible),
                                 percent_text(s.accessible, s.theory)};
  if (measured) {
    cells.insert(cells.end(), {std::to_string(s.measured), percent_text(s.measured, s.theory),
                               percent_text(s.measured_accessible, s.accessible), ratio_text(s.observations, s.measured)});
  }
  return cells;
}

// JSON numbers: counts as integers, ratios as fractions, null where undefined.
std::string json_number(double value, int decimals) {
  return std::isfinite(value) ? fixed_text(value, decimals) : "null";
}

std::string json_fraction(std::int64_t part, std::int64_t whole) {
  return whole > 0 ? json_number(static_cast<double>(part) / static_cast<double>(whole), 6) : "null";
}

std::string json_counts(const ShellCounts& s, bool measured) {
  std::string j = "{\"d_max\": " + json_number(s.d_max, 4) + ", \"d_min\": " + json_number(s.d_min, 4) +
                  ", \"theory\": " + std::to_string(s.theory) + ", \"accessible\": " + std::to_string(s.accessible) +
                  ", \"accessible_completeness\": " + json_fraction(s.accessible, s.theory);
  if (measured)
    j += ", \"measured\": " + std::to_string(s.measured) + ", \"observations\": " + std::to_string(s.observations) +
         ", \"measured_completeness\": " + json_fraction(s.measured, s.theory) +
         ", \"measured_accessible\": " + std::to_string(s.measured_accessible) +
         ", \"accessible_measured_completeness\": " + json_fraction(s.measured_accessible, s.accessible) +
         ", \"redundancy\": " + json_fraction(s.observations, s.measured);
  return j + "}";
}

std::string json_floats(std::initializer_list<float> values) {
  std::string j = "[";
  for (const float v : values)
    j += (j.size() > 1 ? ", " : "") + shortest_text(v);
  return j + "]";
}

}  // namespace

std::string symmetry_line(const PreparedPlan& p) {
  const Symmetry& s = p.symmetry;
  std::string line = "Symmetry: " + s.name;
  if (!p.anomalous || s.centrosymmetric)
    line += p.anomalous ? "; centrosymmetric, so Friedel mates are equivalent" : "; Friedel mates together";
  else
    line += "; anomalous: point group " + s.point_group + ", Friedel mates apart";
  return line;
}

static std::string triple_text(const Vec3& v) {
  return shortest_text(v[0]) + ' ' + shortest_text(v[1]) + ' ' + shortest_text(v[2]);
}

std::string axis_text(const RunSettings& s) {
  return s.axis_kind == AxisKind::UVW ? "[" + triple_text(s.axis) + "]" : "normal of (" + triple_text(s.axis) + ")";
}

std::string parameters_line(const PreparedPlan& p, bool with_axis) {
  const RunSettings& s = p.settings;
  const UnitCell& c = s.cell;
  return "Cell " + shortest_text(c.a) + ' ' + shortest_text(c.b) + ' ' + shortest_text(c.c) + ' ' +
         shortest_text(c.alpha) + ' ' + shortest_text(c.beta) + ' ' + shortest_text(c.gamma) +
         ", wavelength " + shortest_text(s.wavelength) + " A, Psi max " + shortest_text(s.psi_max) +
         " deg" + (with_axis ? ", axis " + axis_text(s) : "") + ", d min " + fixed_text(p.d_min, 4) + " A" +
         (p.d_min_given ? "" : " (the finest the opening allows)");
}


void write_text_report(std::ostream& out, const ReportData& data) {
  const PreparedPlan& p = data.parameters;
  const bool measured = data.measurement != nullptr;
  out << symmetry_line(p) << '\n' << parameters_line(p) << "\n\n";
  std::vector<std::string> head{"shell", "d max", "d min", "theory", "accessible", "compl.%"};
  if (measured)
    head.insert(head.end(), {"measured", "compl.%", "of acc.%", "redundancy"});
  write_row(out, head);
  for (size_t i = 0; i < data.table.shells.size(); ++i)
    write_row(out, row_of(std::to_string(i + 1), data.table.shells[i], measured));
  write_row(out, row_of("all", data.table.overall, measured));
  out << "\nUnique reflections: " << data.table.overall.theory << " in theory, " << data.table.overall.accessible
      << " accessible (" << percent_text(data.table.overall.accessible, data.table.overall.theory) << " %)";
  if (measured)
    out << ", " << data.table.overall.measured << " measured ("
        << percent_text(data.table.overall.measured, data.table.overall.theory) << " % of theory, "
        << percent_text(data.table.overall.measured_accessible, data.table.overall.accessible)
        << " % of the accessible)";
  out << ".\n";
  if (measured) {
    const Measurement& m = *data.measurement;
    out << "Input " << data.input_file << ": " << m.records << " records, "
        << data.table.overall.observations << " counted (redundancy "
        << ratio_text(data.table.overall.observations, data.table.overall.measured) << ")";
    if (m.absent > 0)
      out << ", " << m.absent << " systematically absent";
    if (m.beyond > 0)
      out << ", " << m.beyond << " finer than d min";
    out << ".\n";
    const std::int64_t elsewhere = data.table.overall.measured - data.table.overall.measured_accessible;
    if (elsewhere > 0)
      out << elsewhere << " measured unique reflections are not accessible in this orientation.\n";
  }
}

void write_json_report(std::ostream& out, const ReportData& data) {
  const PreparedPlan& p = data.parameters;
  const Symmetry& s = p.symmetry;
  const RunSettings& r = p.settings;
  const bool measured = data.measurement != nullptr;
  out << "{\n  \"symmetry\": {\"name\": " << json_string(s.name) << ", \"laue_class\": " << json_string(s.laue_class)
      << ", \"point_group\": " << json_string(s.point_group) << ", \"setting\": " << json_string(s.setting)
      << ", \"space_group_number\": " << s.space_group_number
      << ", \"anomalous\": " << (p.anomalous ? "true" : "false") << "},\n"
      << "  \"cell\": "
      << json_floats({r.cell.a, r.cell.b, r.cell.c, r.cell.alpha, r.cell.beta, r.cell.gamma}) << ",\n"
      << "  \"wavelength\": " << shortest_text(r.wavelength) << ",\n  \"psi_max\": " << shortest_text(r.psi_max)
      << ",\n  \"axis\": {\"kind\": " << (r.axis_kind == AxisKind::UVW ? "\"uvw\"" : "\"hkl\"")
      << ", \"vector\": " << json_floats({r.axis[0], r.axis[1], r.axis[2]}) << "},\n"
      << "  \"d_min\": " << json_number(p.d_min, 6) << ",\n  \"d_min_given\": " << (p.d_min_given ? "true" : "false")
      << ",\n  \"shells\": [\n";
  for (size_t i = 0; i < data.table.shells.size(); ++i)
    out << "    " << json_counts(data.table.shells[i], measured) << (i + 1 < data.table.shells.size() ? ",\n" : "\n");
  out << "  ],\n  \"overall\": " << json_counts(data.table.overall, measured);
  if (measured) {
    const Measurement& m = *data.measurement;
    out << ",\n  \"input\": {\"file\": " << json_string(data.input_file) << ", \"records\": " << m.records
        << ", \"absent\": " << m.absent << ", \"beyond_d_min\": " << m.beyond << "}";
  }
  out << "\n}\n";
}

}  // namespace zirel::plan
