#include "map_svg.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include "colour_scale.h"
#include "label_layout.h"

namespace zirel::planning {

namespace {

constexpr double RAD = std::numbers::pi / 180.0;
constexpr int LEVELS = 64;  // colours the map is drawn in

// Page layout, in SVG units (pixels at 96 dpi).
constexpr double RADIUS = 250, CENTRE_X = 330, CENTRE_Y = 345;
constexpr double BAR_X = 650, BAR_WIDTH = 22, BAR_TOP = 120, BAR_HEIGHT = 260;
constexpr double WIDTH = 960, HEIGHT = 670;
constexpr double COLUMN_GAP = 8;  // between the table's columns

using Point = MapPoint;

// Lambert azimuthal equal-area: r = R sin(polar / 2) / sin(45 deg), so the rim
// (polar 90 deg) lies at R and equal solid angles cover equal areas.
Point project(double polar_deg, double azimuth_deg) {
  const double r = RADIUS * std::sin(polar_deg * RAD / 2) / std::sin(45 * RAD);
  return {CENTRE_X + r * std::cos(azimuth_deg * RAD), CENTRE_Y - r * std::sin(azimuth_deg * RAD)};
}


double radius_at(double polar_deg) { return RADIUS * std::sin(polar_deg * RAD / 2) / std::sin(45 * RAD); }

// Completeness range of the colour scale, in percent, on round numbers.
struct Scale {
  double low, high, tick;
  double fraction(double percent) const { return (percent - low) / (high - low); }
};

Scale scale_of(double low_percent, double high_percent) {
  for (double tick : {1.0, 2.0, 5.0, 10.0, 20.0}) {
    const double low = std::floor(low_percent / tick) * tick, high = std::ceil(high_percent / tick) * tick;
    if ((high - low) / tick <= 8)
      return {low, std::max(high, low + tick), tick};
  }
  return {0, 100, 20};
}

// Completeness level of each cell, 0 to LEVELS - 1.
std::vector<int> cell_levels(const MapPicture& p, const Scale& scale) {
  std::vector<int> levels(p.counts.size());
  for (size_t cell = 0; cell < p.counts.size(); ++cell) {
    const double percent = 100.0 * p.counts[cell] / std::max(1, p.theory);
    levels[cell] = std::clamp(static_cast<int>(std::lround(scale.fraction(percent) * (LEVELS - 1))), 0, LEVELS - 1);
  }
  return levels;
}

// The cap about the centre: its few cells as filled sectors meeting at the centre
// (each under 180 degrees, so one arc each), one path per colour. The outline in
// the fill's own colour closes the hairline seams between sectors.
void draw_cap(SvgDocument& svg, const DirectionGrid& grid, const std::vector<int>& levels) {
  const double outer = grid.step_deg, r = radius_at(outer);
  const int size = grid.ring_size[0];
  std::vector<std::string> paths(LEVELS);
  for (int j = 0; j < size; ++j) {
    const Point p1 = project(outer, j * 360.0 / size), p2 = project(outer, (j + 1) * 360.0 / size);
    paths[levels[j]] += "M" + svg_number(CENTRE_X, 1) + " " + svg_number(CENTRE_Y, 1) + "L" +
                        svg_number(p1.x, 1) + " " + svg_number(p1.y, 1) + "A" + svg_number(r, 1) + " " +
                        svg_number(r, 1) + " 0 0 0 " + svg_number(p2.x, 1) + " " + svg_number(p2.y, 1) + "Z";
  }
  for (int level = 0; level < LEVELS; ++level)
    if (!paths[level].empty()) {
      const std::string colour = viridis_hex(level / double(LEVELS - 1));
      svg_path(svg, paths[level], colour, colour, 0.6, "stroke-linejoin=\"round\"");
    }
}

// The rings are drawn in tenths of a unit (the group scales them by 0.1), so that a
// dash, a radius or a width is a whole number without a decimal point; every dash is
// the difference of two positions rounded once, so rounding never drifts along a ring.
long tenths(double length) { return std::lround(length * 10); }
std::string tenths_text(long t) { return std::to_string(t); }

// The runs of one colour in one ring as a dash pattern along the ring's mid circle,
// each run reaching SEAM beyond its cells. The pattern opens with a dash of one
// tenth that the rings' dash offset of one tenth skips: a pattern cannot open with a
// gap, and a dash of length zero at azimuth 0 would still be drawn as a hairline.
std::string dash_pattern(const std::vector<std::pair<long, long>>& runs) {
  std::string pattern = "1";
  long at = 0;
  for (const auto& [start, end] : runs) {
    pattern += " " + tenths_text(start - at) + " " + tenths_text(end - start);
    at = end;
  }
  // A last gap longer than the circle, so the pattern never starts over.
  return pattern + " " + tenths_text(tenths(2 * std::numbers::pi * RADIUS));
}

// The rings beyond the cap, as circles through their middles stroked as wide as
// the rings: first each ring whole in the colour of its first cell, then for each
// ring a dashed circle for each other colour, its runs of cells the dashes. A run
// costs two short numbers where a filled sector took a path of two arcs, and the
// picture is the same: every cell reaches SEAM beyond its edges, as a sector's
// outline did, and the whole rings go first so that none covers a neighbour's
// cells. A circle starts and ends at azimuth 0, where no dash can reach beyond
// the other end; there the whole ring beneath is the first cell's own colour, so
// no other colour shows in the seam. The group flips y, so that a circle runs from
// azimuth 0 counter-clockwise as the azimuth does, and scales tenths to units.
void draw_rings(SvgDocument& svg, const DirectionGrid& grid, const std::vector<int>& levels) {
  constexpr double SEAM = 0.3;
  struct Ring {
    std::string radius, width;
    int base;  // the colour of its first cell
    std::vector<std::vector<std::pair<long, long>>> runs;
  };
  std::vector<Ring> rings;
  for (int ring = 1; ring < grid.ring_count(); ++ring) {
    const double inner = radius_at(ring * grid.step_deg) - SEAM;
    const double outer = radius_at((ring + 1) * grid.step_deg) + SEAM;
    const double mid = (inner + outer) / 2, arc = mid * 2 * std::numbers::pi / 360.0;  // per degree
    const int size = grid.ring_size[ring], start = grid.ring_start[ring];
    const double width = 360.0 / size;
    std::vector<std::vector<std::pair<long, long>>> runs(LEVELS);
    for (int j = 0; j < size;) {
      const int level = levels[start + j];
      int end = j + 1;
      while (end < size && levels[start + end] == level)
        ++end;
      const long from = std::max(0L, tenths(j * width * arc - SEAM)), to = tenths(end * width * arc + SEAM);
      std::vector<std::pair<long, long>>& r = runs[level];
      if (!r.empty() && from <= r.back().second)
        r.back().second = to;  // another colour's run too narrow to leave a gap
      else
        r.push_back({from, to});
      j = end;
    }
    rings.push_back({tenths_text(tenths(mid)), tenths_text(tenths(outer - inner)), levels[start], std::move(runs)});
  }
  svg.body += "<g fill=\"none\" stroke-dashoffset=\"1\" transform=\"matrix(0.1 0 0 -0.1 " + svg_number(CENTRE_X) +
              " " + svg_number(CENTRE_Y) + ")\">\n";
  for (const Ring& r : rings)
    svg.body += "<circle r=\"" + r.radius + "\" stroke=\"" + viridis_hex(r.base / double(LEVELS - 1)) +
                "\" stroke-width=\"" + r.width + "\"/>\n";
  for (const Ring& r : rings) {
    svg.body += "<g stroke-width=\"" + r.width + "\">\n";
    for (int level = 0; level < LEVELS; ++level)
      if (level != r.base && !r.runs[level].empty())
        svg.body += "<circle r=\"" + r.radius + "\" stroke=\"" + viridis_hex(level / double(LEVELS - 1)) +
                    "\" stroke-dasharray=\"" + dash_pattern(r.runs[level]) + "\"/>\n";
    svg.body += "</g>\n";
  }
  svg.body += "</g>\n";
}

void draw_cells(SvgDocument& svg, const MapPicture& p, const Scale& scale) {
  const DirectionGrid& grid = *p.grid;
  if (grid.ring_count() == 0)
    return;
  const std::vector<int> levels = cell_levels(p, scale);
  draw_cap(svg, grid, levels);
  draw_rings(svg, grid, levels);
}

void draw_graticule(SvgDocument& svg) {
  for (double polar : {30.0, 60.0}) {
    svg.body += "<circle cx=\"" + svg_number(CENTRE_X) + "\" cy=\"" + svg_number(CENTRE_Y) + "\" r=\"" +
                svg_number(radius_at(polar)) +
                "\" fill=\"none\" stroke=\"#fff\" stroke-opacity=\"0.55\" stroke-width=\"0.8\" "
                "stroke-dasharray=\"4 4\"/>\n";
  }
  for (double azimuth = 0; azimuth < 360; azimuth += 30) {
    const Point rim = project(90, azimuth);
    svg.body += "<line x1=\"" + svg_number(CENTRE_X) + "\" y1=\"" + svg_number(CENTRE_Y) + "\" x2=\"" +
                svg_number(rim.x) + "\" y2=\"" + svg_number(rim.y) +
                "\" stroke=\"#fff\" stroke-opacity=\"0.35\" stroke-width=\"0.6\"/>\n";
  }
  svg_circle(svg, CENTRE_X, CENTRE_Y, RADIUS, "none", "#000", 1.2);
  TextStyle small{.size = 10, .fill = "#444"};
  for (double polar : {30.0, 60.0, 90.0}) {
    const Point p = project(polar, 225);
    svg_text(svg, p.x - 4, p.y + 12, svg_number(polar, 0) + "°", small);
  }
}

void draw_legend(SvgDocument& svg, const Scale& scale) {
  svg_text(svg, BAR_X, BAR_TOP - 14, "Completeness (%)", {.size = 13, .bold = true});
  const double step = BAR_HEIGHT / LEVELS;
  for (int level = 0; level < LEVELS; ++level) {
    const std::string colour = viridis_hex(level / double(LEVELS - 1));
    const double y = BAR_TOP + BAR_HEIGHT - (level + 1) * step;
    svg_rect(svg, BAR_X, y, BAR_WIDTH, step + 0.4, colour);
  }
  svg_rect(svg, BAR_X, BAR_TOP, BAR_WIDTH, BAR_HEIGHT, "none", "#000", 0.8);
  for (double v = scale.low; v <= scale.high + 1e-9; v += scale.tick) {
    const double y = BAR_TOP + BAR_HEIGHT * (1 - scale.fraction(v));
    svg_line(svg, BAR_X + BAR_WIDTH, y, BAR_X + BAR_WIDTH + 5, y, "#000", 0.8);
    svg_text(svg, BAR_X + BAR_WIDTH + 8, y + 4, svg_number(v, 0), {.size = 12});
  }
}

// A cross, so that the worst mount reads apart from every round or square mark; the
// white under it keeps it visible on the dark colours where the worst mounts lie.
std::string cross_path(MapPoint p) {
  return "M" + svg_number(p.x) + " " + svg_number(p.y) + "m-5 -5l10 10m-10 0l10 -10";
}

void draw_cross(SvgDocument& svg, MapPoint p) {
  svg_path(svg, cross_path(p), "none", "#fff", 4.5, "stroke-linecap=\"round\"");
  svg_path(svg, cross_path(p), "none", "#c00", 2.2, "stroke-linecap=\"round\"");
}

void draw_mark(SvgDocument& svg, const MapMark& mark, MapPoint p) {
  switch (mark.kind) {
    case MapMark::Kind::DirectAxis:
      svg_circle(svg, p.x, p.y, 4, "#000", "#fff", 1.5);
      break;
    case MapMark::Kind::ReciprocalAxis:
      svg_circle(svg, p.x, p.y, 4, "#fff", "#000", 1.5);
      break;
    case MapMark::Kind::Best:
      svg_circle(svg, p.x, p.y, 8.5, "#fff", "#000", 1.5);
      svg_text(svg, p.x, p.y + 4, mark.label, {.size = 11, .anchor = Anchor::Middle, .bold = true});
      break;
    case MapMark::Kind::Mounted: {
      const std::string d = "M" + svg_number(p.x - 6) + " " + svg_number(p.y - 6) + "h12v12h-12Z";
      svg_path(svg, d, "#fff", "#c00", 2);
      break;
    }
    case MapMark::Kind::Worst:
      draw_cross(svg, p);
      break;
  }
}

double label_size(MapMark::Kind kind) {
  return kind == MapMark::Kind::Mounted || kind == MapMark::Kind::Worst ? 12 : 14;
}

// Marks first (so no label covers one), then their labels around them.
void draw_marks(SvgDocument& svg, const MapPicture& p) {
  for (const MapMark& m : p.marks)
    draw_mark(svg, m, map_position(m.direction));
  for (const MapLabel& l : map_labels(p)) {
    const MapMark& m = p.marks[l.mark];
    const bool red = m.kind == MapMark::Kind::Mounted || m.kind == MapMark::Kind::Worst;
    svg_text(svg, l.x, l.y, m.label,
             {.size = label_size(m.kind), .bold = true, .italic = !red, .fill = red ? "#c00" : "#000",
              .halo = true});
  }
}

// The table's columns side by side, each as wide as its widest entry; the table's
// letters shrink when that is wider than the room beside the map.
std::vector<double> column_offsets(const MapPicture& p, double size) {
  std::vector<double> width(p.table_columns.size(), 0);
  auto widen = [&](const std::vector<std::string>& row) {
    if (width.size() < row.size())
      width.resize(row.size(), 0);
    for (size_t c = 0; c < row.size(); ++c)
      width[c] = std::max(width[c], text_width(row[c], size));
  };
  widen(p.table_columns);
  for (const std::vector<std::string>& row : p.table)
    widen(row);
  std::vector<double> offsets;
  double x = 0;
  for (double w : width) {
    offsets.push_back(x);
    x += w + COLUMN_GAP;
  }
  return offsets;
}

double table_width(const MapPicture& p, double size) {
  const std::vector<double> at = column_offsets(p, size);
  if (at.empty())
    return 0;
  double last = 0;
  for (const std::vector<std::string>& row : p.table)
    if (row.size() == at.size())
      last = std::max(last, text_width(row.back(), size));
  if (p.table_columns.size() == at.size())
    last = std::max(last, text_width(p.table_columns.back(), size));
  return at.back() + last;
}

void draw_table(SvgDocument& svg, const MapPicture& p, double x, double& y) {
  const double room = WIDTH - 10 - x;
  double size = 12;
  if (const double w = table_width(p, size); w > room)
    size *= room / w;
  const std::vector<double> at = column_offsets(p, size);
  if (!p.table_columns.empty()) {
    for (size_t c = 0; c < p.table_columns.size(); ++c)
      svg_text(svg, x + at[c], y, p.table_columns[c], {.size = size, .fill = "#555"});
    y += 18;
  }
  for (const std::vector<std::string>& cells : p.table) {
    for (size_t c = 0; c < cells.size(); ++c)
      svg_text(svg, x + at[c], y, cells[c], {.size = size, .bold = c == 0});
    y += 18;
  }
  if (!p.table_note.empty()) {
    svg_text(svg, x, y, p.table_note, {.size = 11, .fill = "#555"});
    y += 16;
  }
}

// Returns the foot of the last line.
double draw_key(SvgDocument& svg, const MapPicture& p) {
  double y = BAR_TOP + BAR_HEIGHT + 40;
  const double x = BAR_X;
  auto has = [&](MapMark::Kind kind) {
    return std::any_of(p.marks.begin(), p.marks.end(), [&](const MapMark& m) { return m.kind == kind; });
  };
  svg_circle(svg, x + 5, y - 4, 4, "#000", "#fff", 1.5);
  svg_text(svg, x + 16, y, "direct axis a, b, c", {.size = 12});
  y += 20;
  svg_circle(svg, x + 5, y - 4, 4, "#fff", "#000", 1.5);
  svg_text(svg, x + 16, y, "reciprocal axis a*, b*, c*", {.size = 12});
  y += 20;
  if (has(MapMark::Kind::Mounted)) {
    svg_path(svg, "M" + svg_number(x) + " " + svg_number(y - 9) + "h10v10h-10Z", "#fff", "#c00", 2);
    svg_text(svg, x + 16, y, "mount already made", {.size = 12});
    y += 20;
  }
  if (has(MapMark::Kind::Worst)) {
    draw_cross(svg, {x + 5, y - 4});
    svg_text(svg, x + 16, y, "worst mount", {.size = 12});
    y += 20;
  }
  for (const std::string& line : p.key_lines) {
    y += 6;
    svg_text(svg, x, y, line, {.size = 12});
    y += 14;
  }
  y += 18;
  svg_text(svg, x, y, p.table_heading, {.size = 12, .bold = true});
  y += 19;
  draw_table(svg, p, x, y);
  svg_text(svg, x, y + 10, p.summary, {.size = 12});
  return y + 14;
}

}  // namespace

MapPoint map_position(const Vec3d& v) {
  const Vec3d u = normalized(upper(v));
  const double polar = std::acos(std::clamp(u[2], -1.0, 1.0)) / RAD;
  return project(polar, std::atan2(u[1], u[0]) / RAD);
}

std::vector<MapLabel> map_labels(const MapPicture& p) {
  LabelLayout layout;
  layout.frame = {CENTRE_X - RADIUS - 45, CENTRE_Y - RADIUS - 30, CENTRE_X + RADIUS + 45, CENTRE_Y + RADIUS + 30};
  std::vector<MapPoint> at;
  for (const MapMark& m : p.marks) {
    at.push_back(map_position(m.direction));
    layout.reserve_mark(at.back().x, at.back().y, m.kind == MapMark::Kind::Best ? 9 : 6);
  }
  std::vector<MapLabel> labels;
  for (size_t i = 0; i < p.marks.size(); ++i) {
    const MapMark& m = p.marks[i];
    if (m.kind == MapMark::Kind::Best || m.label.empty())
      continue;  // numbered in its circle
    const LabelLayout::Place place = layout.place(at[i].x, at[i].y, 8, m.label, label_size(m.kind));
    labels.push_back({i, place.x, place.y, place.box});
  }
  return labels;
}

SvgDocument draw_map(const MapPicture& p) {
  SvgDocument svg{WIDTH, HEIGHT, {}};
  int low = p.counts.empty() ? 0 : *std::min_element(p.counts.begin(), p.counts.end());
  int high = p.counts.empty() ? 0 : *std::max_element(p.counts.begin(), p.counts.end());
  const double theory = std::max(1, p.theory);
  const Scale scale = scale_of(100.0 * low / theory, 100.0 * high / theory);

  svg_text(svg, 24, 30, p.title, {.size = 16, .bold = true});
  svg_text(svg, 24, 52, p.subtitle, {.size = 13, .fill = "#222"});
  draw_cells(svg, p, scale);
  draw_graticule(svg);
  draw_legend(svg, scale);
  draw_marks(svg, p);
  // A long table (many mounts asked for, mounts made) lengthens the page, not overlaps the foot.
  svg.height = std::max(HEIGHT, draw_key(svg, p) + 30);
  svg_text(svg, 24, svg.height - 18,
           "Equal-area projection of the axis directions; an axis and its opposite are one mount. "
           "Centre: c*; right: a.",
           {.size = 11, .fill = "#333"});
  return svg;
}

}  // namespace zirel::planning
