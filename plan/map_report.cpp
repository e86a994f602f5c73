#include "plan/map_report.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <algorithm>
#include "planning/map_input.h"
#include "planning/number_text.h"
#include "planning/pictures/svg_writer.h"
#include "plan/report_output.h"

namespace zirel::plan {

namespace {

std::string fixed(double value, int decimals) { return fixed_text(value, decimals); }

std::string padded(const std::string& text, size_t width) { return right_aligned(text, width); }

std::string left(const std::string& text, size_t width) {
  return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

struct Angles {
  double polar, azimuth;
};

Angles angles_of(const Vec3d& v) {
  const double deg = 180 / 3.14159265358979323846;
  double azimuth = std::atan2(v[1], v[0]) * deg;
  if (azimuth < 0)
    azimuth += 360;
  return {std::acos(std::fmin(1.0, std::fmax(-1.0, v[2]))) * deg, azimuth};
}

std::string json_indices(const Indices& i) {
  return "[" + std::to_string(i[0]) + ", " + std::to_string(i[1]) + ", " + std::to_string(i[2]) + "]";
}

std::string json_direction(const Vec3d& v) {
  return "[" + fixed(v[0], 6) + ", " + fixed(v[1], 6) + ", " + fixed(v[2], 6) + "]";
}

// A fraction, as the report's JSON gives ratios (0.166, not 16.6).
std::string fraction(double count, int theory) { return fixed(theory > 0 ? count / theory : 0.0, 6); }

std::string json_advice(const MountAdvice& a, int theory) {
  const Angles at = angles_of(a.direction);
  return "{\"polar\": " + fixed(at.polar, 3) + ", \"azimuth\": " + fixed(at.azimuth, 3) +
         ", \"direction\": " + json_direction(a.direction) + ", \"accessible\": " + std::to_string(a.accessible) +
         ", \"completeness\": " + fraction(a.accessible, theory) + ",\n     \"uvw\": {\"indices\": " +
         json_indices(a.uvw.indices) + ", \"angle\": " + fixed(a.uvw.angle_deg, 3) +
         ", \"accessible\": " + std::to_string(a.uvw_accessible) +
         ", \"completeness\": " + fraction(a.uvw_accessible, theory) + "},\n     \"hkl\": {\"indices\": " +
         json_indices(a.hkl.indices) + ", \"angle\": " + fixed(a.hkl.angle_deg, 3) +
         ", \"accessible\": " + std::to_string(a.hkl_accessible) +
         ", \"completeness\": " + fraction(a.hkl_accessible, theory) + "}}";
}

std::string advice_row(const std::string& rank, const MountAdvice& a, int theory) {
  const Angles at = angles_of(a.direction);
  return padded(rank, 5) + padded(percent(a.accessible, theory) + "%", 8) + padded(fixed(at.polar, 1), 7) +
         padded(fixed(at.azimuth, 1), 8) + "   " + left(indices_text(a.uvw.indices, AxisKind::UVW), 11) +
         padded(fixed(a.uvw.angle_deg, 1), 6) + padded(percent(a.uvw_accessible, theory) + "%", 8) + "   " +
         left(indices_text(a.hkl.indices, AxisKind::HKL), 11) + padded(fixed(a.hkl.angle_deg, 1), 6) +
         padded(percent(a.hkl_accessible, theory) + "%", 8) + "\n";
}

}  // namespace

std::string indices_text(const Indices& i, AxisKind kind) {
  const std::string inner = std::to_string(i[0]) + " " + std::to_string(i[1]) + " " + std::to_string(i[2]);
  return kind == AxisKind::UVW ? "[" + inner + "]" : "(" + inner + ")";
}

std::string mount_text(const Mount& m) {
  RunSettings s;
  s.axis_kind = m.kind;
  s.axis = m.axis;
  return axis_text(s);
}

std::string percent(int count, int theory) { return fixed(theory > 0 ? 100.0 * count / theory : 0.0, 1); }

std::string picture_parameters(const PreparedPlan& p) {
  const UnitCell& c = p.settings.cell;
  return "a " + shortest_text(c.a) + ", b " + shortest_text(c.b) + ", c " + shortest_text(c.c) + " Å, α " + shortest_text(c.alpha) +
         "°, β " + shortest_text(c.beta) + "°, γ " + shortest_text(c.gamma) + "°;  λ " + shortest_text(p.settings.wavelength) +
         " Å;  Psi max " + shortest_text(p.settings.psi_max) + "°;  d_min " + svg_number(p.d_min, 3) + " Å" +
         (p.anomalous ? " (anomalous)" : "");
}

void write_map_text(std::ostream& out, const PreparedPlan& p, const MapResult& r) {
  out << symmetry_line(p) << "\n"
      << parameters_line(p, false) << "\n"
      << r.theory << " unique reflections in theory; " << r.grid.cell_count() << " axis directions "
      << fixed(r.grid.step_deg, 2) << " deg apart over the hemisphere (an axis and its opposite are one mount)\n";
  for (const Mount& m : r.mounts)
    out << "Mount already made: " << mount_text(m) << " reaches " << m.accessible << " ("
        << percent(m.accessible, r.theory) << "%)\n";
  if (!r.mounts.empty())
    out << "Together they reach " << r.covered << " (" << percent(r.covered, r.theory)
        << "%); the map is the completeness of the union with one more mount.\n";
  out << "\nCompleteness over all mounts: mean " << fixed(100.0 * r.mean / std::max(1, r.theory), 1) << "%, worst "
      << percent(r.worst.accessible, r.theory) << "%, best "
      << (r.best.empty() ? std::string("-") : percent(r.best_accessible, r.theory) + "%") << "\n\n";
  out << " rank  compl.  polar azimuth   nearest [U V W]  angle  compl.   nearest (h k l)  angle  compl.\n";
  for (size_t i = 0; i < r.best.size(); ++i)
    out << advice_row(std::to_string(i + 1), r.best[i], r.theory);
  out << advice_row("worst", r.worst, r.theory);
}

void write_map_json(std::ostream& out, const PreparedPlan& p, const MapResult& r) {
  const UnitCell& c = p.settings.cell;
  out << "{\n  \"symmetry\": " << json_string(p.symmetry.name) << ",\n  \"laue_class\": "
      << json_string(p.symmetry.laue_class) << ",\n  \"cell\": [" << shortest_text(c.a) << ", " << shortest_text(c.b) << ", "
      << shortest_text(c.c) << ", " << shortest_text(c.alpha) << ", " << shortest_text(c.beta) << ", " << shortest_text(c.gamma)
      << "],\n  \"wavelength\": " << shortest_text(p.settings.wavelength) << ",\n  \"psi_max\": "
      << shortest_text(p.settings.psi_max) << ",\n  \"d_min\": " << fixed(p.d_min, 6)
      << ",\n  \"anomalous\": " << (p.anomalous ? "true" : "false") << ",\n  \"unique\": " << r.theory
      << ",\n  \"step\": " << fixed(r.grid.step_deg, 6) << ",\n  \"directions\": " << r.grid.cell_count()
      << ",\n  \"mounts\": [";
  for (size_t i = 0; i < r.mounts.size(); ++i)
    out << (i ? ", " : "") << "{\"axis\": " << json_string(mount_text(r.mounts[i]))
        << ", \"accessible\": " << r.mounts[i].accessible << "}";
  out << "],\n  \"covered\": " << r.covered << ",\n  \"mean_completeness\": "
      << fraction(r.mean, r.theory) << ",\n  \"worst\": " << json_advice(r.worst, r.theory)
      << ",\n  \"best\": [";
  for (size_t i = 0; i < r.best.size(); ++i)
    out << (i ? ",\n    " : "\n    ") << json_advice(r.best[i], r.theory);
  out << "],\n  \"grid_columns\": [\"polar\", \"azimuth\", \"accessible\"],\n  \"grid\": [";
  for (int cell = 0; cell < r.grid.cell_count(); ++cell) {
    const GridCell g = locate(r.grid, cell);
    out << (cell ? ",\n    [" : "\n    [") << fixed(r.grid.polar_deg(g.ring), 3) << ", "
        << fixed(r.grid.azimuth_deg(g.ring, g.j), 3) << ", " << r.counts[cell] << "]";
  }
  out << "]\n}\n";
}

void write_map_csv(std::ostream& out, const MapResult& r) {
  out << "polar_deg,azimuth_deg,x,y,z,accessible,completeness_percent\n";
  std::string line;
  for (int ring = 0; ring < r.grid.ring_count(); ++ring)
    for (int j = 0; j < r.grid.ring_size[ring]; ++j) {
      const int cell = r.grid.ring_start[ring] + j;
      const Vec3d v = cell_direction(r.grid, cell);
      line = fixed(r.grid.polar_deg(ring), 3) + "," + fixed(r.grid.azimuth_deg(ring, j), 3) + "," +
             fixed(v[0], 6) + "," + fixed(v[1], 6) + "," + fixed(v[2], 6) + "," + std::to_string(r.counts[cell]) +
             "," + fixed(100.0 * r.counts[cell] / std::max(1, r.theory), 3) + "\n";
      out << line;
    }
}

// "[0 1 0]" or "(1 0 2)": the picture has no room for "normal of".
static std::string short_mount_text(const Mount& m) {
  const std::string text = mount_text(m);
  const std::string normal = "normal of ";
  return text.rfind(normal, 0) == 0 ? text.substr(normal.size()) : text;
}

MapPicture picture_of(const PreparedPlan& p, const MapResult& r, const CartesianFrame& frame) {
  MapPicture pic;
  pic.grid = &r.grid;
  pic.counts = r.counts;
  pic.theory = r.theory;
  pic.title = "Completeness map: " + p.symmetry.name;
  pic.subtitle = picture_parameters(p) + ";  " + std::to_string(r.theory) + " unique;  " +
                 svg_number(r.grid.step_deg, 2) + "° grid";
  // The worst mount often is an axis: the axis's mark is drawn over its cross.
  if (r.theory > 0)
    pic.marks.push_back({MapMark::Kind::Worst, r.worst.direction, "worst"});
  static constexpr const char* DIRECT[] = {"a", "b", "c"};
  static constexpr const char* RECIPROCAL[] = {"a*", "b*", "c*"};
  // Mounts first: the axis marks they may hide are drawn over them.
  for (const Mount& m : r.mounts)
    pic.marks.push_back({MapMark::Kind::Mounted, axis_direction(frame, m.kind, m.axis), short_mount_text(m)});
  for (int i = 0; i < 3; ++i) {
    Vec3d e{0, 0, 0};
    e[i] = 1;
    const Vec3d d = normalized(frame.direct_vector(e)), s = normalized(frame.reciprocal_vector(e));
    // Where an axis is normal to the other two, a and a* are one point with one label.
    if (axis_angle_deg(d, s) < 0.5) {
      pic.marks.push_back({MapMark::Kind::DirectAxis, d, std::string(DIRECT[i]) + ", " + RECIPROCAL[i]});
      continue;
    }
    pic.marks.push_back({MapMark::Kind::DirectAxis, d, DIRECT[i]});
    pic.marks.push_back({MapMark::Kind::ReciprocalAxis, s, RECIPROCAL[i]});
  }
  if (!r.mounts.empty())
    pic.key_lines.push_back("Mounts made reach " + percent(r.covered, r.theory) + "%");
  pic.table_heading = r.mounts.empty() ? "Best mounts" : "Best next mounts";
  pic.table_columns = {"", "[U V W]", "compl.", "(h k l)", "compl.", "rank"};
  for (size_t i = 0; i < r.best.size(); ++i) {
    const MountAdvice& a = r.best[i];
    pic.marks.push_back({MapMark::Kind::Best, a.direction, std::to_string(i + 1)});
    pic.table.push_back({std::to_string(i + 1), indices_text(a.uvw.indices, AxisKind::UVW),
                         percent(a.uvw_accessible, r.theory) + "%", indices_text(a.hkl.indices, AxisKind::HKL),
                         percent(a.hkl_accessible, r.theory) + "%", percent(a.rank_accessible(), r.theory) + "%"});
  }
  pic.table_note = "rank: the better of the two directions";
  pic.summary = "Mean " + svg_number(100.0 * r.mean / std::max(1, r.theory), 1) + "%, worst " +
                percent(r.worst.accessible, r.theory) + "%";
  return pic;
}

}  // namespace zirel::plan
