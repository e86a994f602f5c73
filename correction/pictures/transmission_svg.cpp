#include "correction/pictures/transmission_svg.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include "planning/pictures/colour_scale.h"

namespace zirel::correction {

namespace {

using planning::Anchor;
using planning::SvgDocument;
using planning::svg_number;
using planning::TextStyle;

constexpr double RAD = std::numbers::pi / 180.0;
constexpr int LEVELS = 64;  // colours the panels are drawn in
constexpr const char* BLOCKED = "#c8c8c8";

// Page layout, in SVG units (pixels at 96 dpi).
constexpr double RADIUS = 205, TOP = 100, LEFT = 40, GAP = 70;
constexpr double BAR_WIDTH = 22, BAR_HEIGHT = 300;
constexpr double WIDTH = 4 * RADIUS + GAP + 2 * LEFT + 190, HEIGHT = TOP + 2 * RADIUS + 120;

struct Point {
  double x, y;
};

struct Panel {
  double cx, cy, rim_deg;
  // Lambert azimuthal equal-area, r proportional to sin(polar / 2) (Snyder, Map
  // Projections - A Working Manual, USGS Prof. Paper 1395 (1987), eq. 24-2), scaled so
  // that rim_deg lies on the panel's circle.
  double radius_at(double polar_deg) const {
    return RADIUS * std::sin(polar_deg * RAD / 2) / std::sin(rim_deg * RAD / 2);
  }
  Point at(double polar_deg, double azimuth_deg) const {
    const double r = radius_at(polar_deg);
    return {cx + r * std::cos(azimuth_deg * RAD), cy - r * std::sin(azimuth_deg * RAD)};
  }
};

// The colour scale over the range drawn, on round numbers (as the map's scale).
struct Scale {
  double low, high, tick;
  double fraction(double t) const { return (t - low) / (high - low); }
};

Scale scale_of(double lowest, double highest) {
  for (double tick : {0.01, 0.02, 0.05, 0.1, 0.2}) {
    const double low = std::floor(lowest / tick + 1e-9) * tick;
    const double high = std::max(low + tick, std::ceil(highest / tick - 1e-9) * tick);
    if ((high - low) / tick <= 8)
      return {low, high, tick};
  }
  return {0, 1, 0.2};
}

int level_of(double t, const Scale& s) {
  return std::clamp(static_cast<int>(std::lround(s.fraction(t) * (LEVELS - 1))), 0, LEVELS - 1);
}

std::string point_text(Point p) { return svg_number(p.x, 1) + " " + svg_number(p.y, 1); }

// One annular sector from azimuth a to b (b - a at most 180 degrees), as the map draws it.
void add_sector(std::string& d, const Panel& panel, double inner, double outer, double a, double b) {
  const std::string ro = svg_number(panel.radius_at(outer), 1), ri = svg_number(panel.radius_at(inner), 1);
  d += "M" + point_text(panel.at(outer, a)) + "A" + ro + " " + ro + " 0 0 0 " + point_text(panel.at(outer, b)) +
       "L" + point_text(panel.at(inner, b));
  if (inner > 0)
    d += "A" + ri + " " + ri + " 0 0 1 " + point_text(panel.at(inner, a));
  d += "Z";
}

// The colour most of a ring's cells have (the lower level on a tie).
int common_level(const SideTransmission& side, std::size_t start, int size, const Scale& scale) {
  std::array<int, LEVELS> count{};
  for (int j = 0; j < size; ++j)
    ++count[level_of(side.transmission[start + j], scale)];
  return static_cast<int>(std::max_element(count.begin(), count.end()) - count.begin());
}

// Each ring first as a disc in its common colour, outermost first, so that a ring's
// inner discs cover the middle and no seam between rings shows the grey beneath; then
// the cells of other colours, run by run along the ring, one path per colour.
void draw_cells(SvgDocument& svg, const SideTransmission& side, const Panel& panel, const Scale& scale) {
  std::vector<std::size_t> starts;
  std::size_t start = 0;
  for (int ring = 0; ring < side.ring_count(); ++ring) {
    starts.push_back(start);
    start += side.ring_size[ring];
  }
  std::vector<int> common(side.ring_count());
  for (int ring = side.ring_count() - 1; ring >= 0; --ring) {
    common[ring] = common_level(side, starts[ring], side.ring_size[ring], scale);
    planning::svg_circle(svg, panel.cx, panel.cy, panel.radius_at((ring + 1) * side.step_deg),
                         planning::viridis_hex(common[ring] / double(LEVELS - 1)));
  }
  std::vector<std::string> paths(LEVELS);
  for (int ring = 0; ring < side.ring_count(); ++ring) {
    const double inner = ring * side.step_deg, outer = (ring + 1) * side.step_deg;
    const int size = side.ring_size[ring];
    const double width = 360.0 / size;
    auto level_at = [&](int j) { return level_of(side.transmission[starts[ring] + j], scale); };
    for (int j = 0; j < size;) {
      const int level = level_at(j);
      int end = j + 1;
      // A sector is drawn with the small arc: it must stay below 180 degrees.
      while (end < size && level_at(end) == level && (end + 1 - j) * width < 179)
        ++end;
      if (level != common[ring])
        add_sector(paths[level], panel, inner, outer, j * width, end * width);
      j = end;
    }
  }
  for (int level = 0; level < LEVELS; ++level)
    if (!paths[level].empty()) {
      // The outline in the fill's own colour closes the hairline seams between sectors.
      const std::string colour = planning::viridis_hex(level / double(LEVELS - 1));
      planning::svg_path(svg, paths[level], colour, colour, 0.6, "stroke-linejoin=\"round\"");
    }
}

void draw_circle(SvgDocument& svg, const Panel& panel, double polar_deg, std::string_view stroke, double width,
                 std::string_view dash) {
  // A white dashed circle gets a dark line under it, so it reads over the scale's light end.
  if (!dash.empty())
    draw_circle(svg, panel, polar_deg, "#000", width + 1.6, "");
  svg.body += "<circle cx=\"" + svg_number(panel.cx) + "\" cy=\"" + svg_number(panel.cy) + "\" r=\"" +
              svg_number(panel.radius_at(polar_deg)) + "\" fill=\"none\" stroke=\"" + std::string(stroke) +
              "\" stroke-width=\"" + svg_number(width) + "\"";
  if (!dash.empty())
    svg.body += " stroke-dasharray=\"" + std::string(dash) + "\"";
  svg.body += "/>\n";
}

// The side's circles: the opening in black, the shadow's onset dashed, the whole
// crystal shadowed dotted, each drawn only inside the opening.
void draw_circles(SvgDocument& svg, const SideTransmission& side, const Panel& panel) {
  if (side.shadow_full_deg < side.opening_deg)
    draw_circle(svg, panel, side.shadow_full_deg, "#fff", 1.6, "1.5 3");
  if (side.shadow_onset_deg < side.opening_deg)
    draw_circle(svg, panel, side.shadow_onset_deg, "#fff", 1.6, "7 4");
  if (side.opening_deg < panel.rim_deg)
    draw_circle(svg, panel, side.opening_deg, "#000", 1.4, "");
  draw_circle(svg, panel, panel.rim_deg, "#000", 1, "");
  for (double polar = 10; polar < panel.rim_deg + 1e-9; polar += 10) {
    const Point p = panel.at(polar, 225);
    planning::svg_text(svg, p.x - 6, p.y + 12, svg_number(polar, 0) + "°", {.size = 10, .fill = "#222", .halo = true});
  }
}

// One group of small dots, one circle per beam drawn.
void draw_beams(SvgDocument& svg, const SideTransmission& side, const Panel& panel) {
  svg.body += "<g class=\"beams\" fill=\"#fff\" stroke=\"#000\" stroke-width=\"0.5\">\n";
  for (const SideDirection& d : side.beams) {
    const Point p = panel.at(d.polar_deg, d.azimuth_deg);
    svg.body += "<circle cx=\"" + svg_number(p.x, 1) + "\" cy=\"" + svg_number(p.y, 1) + "\" r=\"1.6\"/>\n";
  }
  svg.body += "</g>\n";
}

std::string degrees(double d) { return svg_number(d, 1) + "°"; }

void draw_panel(SvgDocument& svg, const SideTransmission& side, const Panel& panel, const Scale& scale,
                const std::string& label) {
  svg.body += "<g class=\"panel\">\n";
  planning::svg_circle(svg, panel.cx, panel.cy, RADIUS, BLOCKED);
  draw_cells(svg, side, panel, scale);
  draw_beams(svg, side, panel);
  draw_circles(svg, side, panel);
  svg.body += "</g>\n";
  planning::svg_text(svg, panel.cx, TOP - 14, label, {.size = 14, .anchor = Anchor::Middle, .bold = true});
  double y = panel.cy + RADIUS + 26;
  std::string circles = "opening " + degrees(side.opening_deg);
  if (side.shadow_onset_deg < side.opening_deg)
    circles += "; gasket's shadow from " + degrees(side.shadow_onset_deg);
  if (side.shadow_full_deg < side.opening_deg)
    circles += ", whole crystal from " + degrees(side.shadow_full_deg);
  if (side.shadow_onset_deg >= side.opening_deg && side.shadow_onset_deg < 90)
    circles += "; gasket's shadow only beyond it, from " + degrees(side.shadow_onset_deg);
  planning::svg_text(svg, panel.cx, y, circles, {.size = 12, .anchor = Anchor::Middle});
  y += 18;
  const std::string beams =
      side.beams_seen == 0 ? std::string("no measured beam leaves through this side")
      : static_cast<int64_t>(side.beams.size()) == side.beams_seen
          ? std::to_string(side.beams_seen) + " measured beams"
          : std::to_string(side.beams.size()) + " of " + std::to_string(side.beams_seen) + " measured beams drawn";
  planning::svg_text(svg, panel.cx, y, beams, {.size = 12, .anchor = Anchor::Middle, .fill = "#333"});
}

void draw_legend(SvgDocument& svg, double x, const Scale& scale) {
  const double top = TOP + 30;
  planning::svg_text(svg, x, top - 30, "Transmission", {.size = 13, .bold = true});
  planning::svg_text(svg, x, top - 14, "of one beam", {.size = 13, .bold = true});
  const double step = BAR_HEIGHT / LEVELS;
  for (int level = 0; level < LEVELS; ++level) {
    const double y = top + BAR_HEIGHT - (level + 1) * step;
    planning::svg_rect(svg, x, y, BAR_WIDTH, step + 0.4, planning::viridis_hex(level / double(LEVELS - 1)));
  }
  planning::svg_rect(svg, x, top, BAR_WIDTH, BAR_HEIGHT, "none", "#000", 0.8);
  for (double v = scale.low; v <= scale.high + 1e-9; v += scale.tick) {
    const double y = top + BAR_HEIGHT * (1 - scale.fraction(v));
    planning::svg_line(svg, x + BAR_WIDTH, y, x + BAR_WIDTH + 5, y, "#000", 0.8);
    planning::svg_text(svg, x + BAR_WIDTH + 8, y + 4, svg_number(v, 2), {.size = 12});
  }
  // The key of the grey ring, the circles and the dots.
  double y = top + BAR_HEIGHT + 34;
  planning::svg_rect(svg, x, y - 10, 14, 12, BLOCKED, "#000", 0.6);
  planning::svg_text(svg, x + 20, y, "blocked (seat)", {.size = 12});
  y += 22;
  planning::svg_rect(svg, x - 2, y - 12, 26, 16, planning::viridis_hex(0.25));
  planning::svg_line(svg, x, y - 4, x + 22, y - 4, "#000", 3.2);
  planning::svg_line(svg, x, y - 4, x + 22, y - 4, "#fff", 1.6, "7 4");
  planning::svg_text(svg, x + 30, y, "shadow begins", {.size = 12});
  y += 22;
  planning::svg_rect(svg, x - 2, y - 12, 26, 16, planning::viridis_hex(0.25));
  planning::svg_line(svg, x, y - 4, x + 22, y - 4, "#000", 3.2);
  planning::svg_line(svg, x, y - 4, x + 22, y - 4, "#fff", 1.6, "1.5 3");
  planning::svg_text(svg, x + 30, y, "all shadowed", {.size = 12});
  y += 22;
  planning::svg_circle(svg, x + 11, y - 4, 2.2, "#fff", "#000", 0.6);
  planning::svg_text(svg, x + 30, y, "measured beam", {.size = 12});
}

struct Range {
  double low = 1, high = 0;
};

Range range_of(const TransmissionMap& map) {
  Range r;
  for (const SideTransmission* side : {&map.plus, &map.minus})
    for (double t : side->transmission) {
      r.low = std::min(r.low, t);
      r.high = std::max(r.high, t);
    }
  return r.low <= r.high ? r : Range{0, 1};
}

// The rim: a few degrees beyond the wider opening and the steepest measured beam, so
// both fill the panels; the blocked ring between opening and rim is grey.
double rim_of(const TransmissionMap& map) {
  double rim = std::max(map.plus.opening_deg, map.minus.opening_deg) + 8;
  for (const SideTransmission* side : {&map.plus, &map.minus})
    for (const SideDirection& d : side->beams)
      rim = std::max(rim, d.polar_deg + 3);
  return std::min(90.0, std::ceil(rim));
}

}  // namespace

planning::SvgDocument draw_transmission(const TransmissionPicture& picture) {
  const TransmissionMap& map = *picture.map;
  SvgDocument svg{WIDTH, HEIGHT, {}};
  const Range range = range_of(map);
  const Scale scale = scale_of(range.low, range.high);
  // Both panels on one rim, so the same angle lies at the same radius in each.
  const double rim = rim_of(map);
  const Panel left{LEFT + RADIUS, TOP + RADIUS, rim}, right{LEFT + 3 * RADIUS + GAP, TOP + RADIUS, rim};
  planning::svg_text(svg, 24, 30, picture.title, {.size = 16, .bold = true});
  planning::svg_text(svg, 24, 52, picture.subtitle, {.size = 13, .fill = "#222"});
  draw_panel(svg, map.plus, left, scale, picture.plus_label);
  draw_panel(svg, map.minus, right, scale, picture.minus_label);
  draw_legend(svg, LEFT + 4 * RADIUS + GAP + 40, scale);
  planning::svg_text(svg, 24, HEIGHT - 16,
                     "Equal-area projections of a beam's direction leaving the crystal, centred on the cell's axis; "
                     "azimuth 0 (right) along the cell frame's x. A reflection's factor is the product of its "
                     "two beams'.",
                     {.size = 11, .fill = "#333"});
  return svg;
}

}  // namespace zirel::correction
