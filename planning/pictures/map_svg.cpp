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
constexpr double WIDTH = 940, HEIGHT = 670;

struct Point {
  double x, y;
};

// Lambert azimuthal equal-area: r = R sin(polar / 2) / sin(45 deg), so the rim
// (polar 90 deg) lies at R and equal solid angles cover equal areas.
Point project(double polar_deg, double azimuth_deg) {
  const double r = RADIUS * std::sin(polar_deg * RAD / 2) / std::sin(45 * RAD);
  return {CENTRE_X + r * std::cos(azimuth_deg * RAD), CENTRE_Y - r * std::sin(azimuth_deg * RAD)};
}

Point project(const Vec3d& v) {
  const Vec3d u = normalized(upper(v));
  const double polar = std::acos(std::clamp(u[2], -1.0, 1.0)) / RAD;
  return project(polar, std::atan2(u[1], u[0]) / RAD);
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

// One annular sector of a ring, from azimuth a to b (b - a at most 180 degrees).
void add_sector(std::string& d, double inner, double outer, double a, double b) {
  const Point p1 = project(outer, a), p2 = project(outer, b), p3 = project(inner, b), p4 = project(inner, a);
  const std::string ro = svg_number(radius_at(outer), 1), ri = svg_number(radius_at(inner), 1);
  d += "M" + svg_number(p1.x, 1) + " " + svg_number(p1.y, 1) + "A" + ro + " " + ro + " 0 0 0 " +
       svg_number(p2.x, 1) + " " + svg_number(p2.y, 1) + "L" + svg_number(p3.x, 1) + " " + svg_number(p3.y, 1);
  if (inner > 0)
    d += "A" + ri + " " + ri + " 0 0 1 " + svg_number(p4.x, 1) + " " + svg_number(p4.y, 1);
  d += "Z";
}

// The cells, run by run of equal colour, one path per colour.
void draw_cells(SvgDocument& svg, const MapPicture& p, const Scale& scale) {
  const DirectionGrid& grid = *p.grid;
  std::vector<std::string> paths(LEVELS);
  auto level_of = [&](int cell) {
    const double percent = 100.0 * p.counts[cell] / p.theory;
    return std::clamp(static_cast<int>(std::lround(scale.fraction(percent) * (LEVELS - 1))), 0, LEVELS - 1);
  };
  for (int ring = 0; ring < grid.ring_count(); ++ring) {
    const double inner = ring * grid.step_deg, outer = (ring + 1) * grid.step_deg;
    const int size = grid.ring_size[ring], start = grid.ring_start[ring];
    const double width = 360.0 / size;
    for (int j = 0; j < size;) {
      const int level = level_of(start + j);
      int end = j + 1;
      while (end < size && level_of(start + end) == level && (end - j) * width < 170)
        ++end;
      add_sector(paths[level], inner, outer, j * width, end * width);
      j = end;
    }
  }
  for (int level = 0; level < LEVELS; ++level)
    if (!paths[level].empty()) {
      // The outline in the fill's own colour closes the hairline seams between sectors.
      const std::string colour = viridis_hex(level / double(LEVELS - 1));
      svg_path(svg, paths[level], colour, colour, 0.6, "stroke-linejoin=\"round\"");
    }
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

void draw_mark(SvgDocument& svg, const MapMark& mark, Point p) {
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
  }
}

// Marks first (so no label covers one), then their labels around them.
void draw_marks(SvgDocument& svg, const MapPicture& p) {
  LabelLayout layout;
  layout.frame = {CENTRE_X - RADIUS - 45, CENTRE_Y - RADIUS - 30, CENTRE_X + RADIUS + 45, CENTRE_Y + RADIUS + 30};
  std::vector<Point> at;
  for (const MapMark& m : p.marks) {
    at.push_back(project(m.direction));
    layout.reserve_mark(at.back().x, at.back().y, m.kind == MapMark::Kind::Best ? 9 : 6);
    draw_mark(svg, m, at.back());
  }
  for (size_t i = 0; i < p.marks.size(); ++i) {
    const MapMark& m = p.marks[i];
    if (m.kind == MapMark::Kind::Best)
      continue;  // numbered in its circle
    const double size = m.kind == MapMark::Kind::Mounted ? 12 : 14;
    const auto place = layout.place(at[i].x, at[i].y, 8, m.label, size);
    svg_text(svg, place.x, place.y, m.label,
             {.size = size, .bold = true, .italic = m.kind != MapMark::Kind::Mounted,
              .fill = m.kind == MapMark::Kind::Mounted ? "#c00" : "#000", .halo = true});
  }
}

void draw_key(SvgDocument& svg, const MapPicture& p) {
  double y = BAR_TOP + BAR_HEIGHT + 40;
  const double x = BAR_X;
  svg_circle(svg, x + 5, y - 4, 4, "#000", "#fff", 1.5);
  svg_text(svg, x + 16, y, "direct axis a, b, c", {.size = 12});
  y += 20;
  svg_circle(svg, x + 5, y - 4, 4, "#fff", "#000", 1.5);
  svg_text(svg, x + 16, y, "reciprocal axis a*, b*, c*", {.size = 12});
  y += 20;
  const bool mounted = std::any_of(p.marks.begin(), p.marks.end(),
                                   [](const MapMark& m) { return m.kind == MapMark::Kind::Mounted; });
  if (mounted) {
    svg_path(svg, "M" + svg_number(x) + " " + svg_number(y - 9) + "h10v10h-10Z", "#fff", "#c00", 2);
    svg_text(svg, x + 16, y, "mount already made", {.size = 12});
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
  // Columns at fixed offsets: rank, [U V W], its completeness, (h k l), its completeness.
  static constexpr double COLUMNS[] = {0, 18, 88, 138, 212};
  for (const std::vector<std::string>& cells : p.table) {
    for (size_t c = 0; c < cells.size() && c < std::size(COLUMNS); ++c)
      svg_text(svg, x + COLUMNS[c], y, cells[c], {.size = 12, .bold = c == 0});
    y += 18;
  }
  svg_text(svg, x, y + 10, p.summary, {.size = 12});
}

}  // namespace

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
  draw_key(svg, p);
  svg_text(svg, 24, HEIGHT - 18,
           "Equal-area projection of the axis directions; an axis and its opposite are one mount. "
           "Centre: c*; right: a.",
           {.size = 11, .fill = "#333"});
  return svg;
}

}  // namespace zirel::planning
