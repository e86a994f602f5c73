#include "section_svg.h"

#include <algorithm>
#include <cmath>
#include "label_layout.h"

namespace zirel::planning {

namespace {

constexpr double WIDTH = 900, HEIGHT = 700;
constexpr double CENTRE_X = 335, CENTRE_Y = 400, PLOT_RADIUS = 275;
constexpr double KEY_X = 665;

// Colours that stay apart for colour-blind readers and in grey print.
constexpr const char* ACCESSIBLE = "#1b5fa8";
constexpr const char* HIDDEN = "#9a9a9a";
constexpr const char* MEASURED = "#e66100";

struct View {
  double scale;  // SVG units per inverse angstrom
  double x(double u) const { return CENTRE_X + scale * u; }
  double y(double v) const { return CENTRE_Y - scale * v; }
};

void draw_point(SvgDocument& svg, const SectionPoint& p, const View& view, double r) {
  const double x = view.x(p.x), y = view.y(p.y);
  switch (p.status) {
    case SectionStatus::Accessible:
      svg_circle(svg, x, y, r, ACCESSIBLE);
      break;
    case SectionStatus::NotAccessible:
      svg_circle(svg, x, y, r * 0.85, "#fff", HIDDEN, std::max(0.8, r * 0.3));
      break;
    case SectionStatus::Absent: {
      const double a = r * 0.6;
      svg_path(svg,
               "M" + svg_number(x - a) + " " + svg_number(y - a) + "L" + svg_number(x + a) + " " + svg_number(y + a) +
                   "M" + svg_number(x - a) + " " + svg_number(y + a) + "L" + svg_number(x + a) + " " + svg_number(y - a),
               "none", "#666", std::max(0.7, r * 0.25));
      break;
    }
  }
  if (p.measured)
    svg_circle(svg, x, y, r * 1.45, "none", MEASURED, std::max(1.0, r * 0.35));
}

// The smallest distance between neighbouring points, for the size of the dots.
double spacing(const Section& s) {
  const double a = std::hypot(s.first_axis[0], s.first_axis[1]);
  const double b = std::hypot(s.second_axis[0], s.second_axis[1]);
  const double ab = std::hypot(s.first_axis[0] + s.second_axis[0], s.first_axis[1] + s.second_axis[1]);
  const double a_b = std::hypot(s.first_axis[0] - s.second_axis[0], s.first_axis[1] - s.second_axis[1]);
  return std::min({a, b, ab, a_b});
}

// The projected axis runs under the reflections, so that none is hidden by it.
void draw_axis_line(SvgDocument& svg, const Section& s) {
  if (s.axis_normal)
    return;
  const double reach = PLOT_RADIUS + 12;
  const double dx = s.axis[0] * reach, dy = -s.axis[1] * reach;
  svg_line(svg, CENTRE_X - dx, CENTRE_Y - dy, CENTRE_X + dx, CENTRE_Y + dy, "#c00", 2, "9 5");
}

void draw_axis_label(SvgDocument& svg, const SectionPicture& p, LabelLayout& layout) {
  const Section& s = *p.section;
  std::string label = "DAC axis " + p.axis_label;
  double x = CENTRE_X, y = CENTRE_Y;
  if (s.axis_normal) {
    svg_circle(svg, CENTRE_X, CENTRE_Y, 9, "none", "#c00", 2);
    svg_circle(svg, CENTRE_X, CENTRE_Y, 2.5, "#c00");
    label += " normal to the layer";
  } else {
    // At the end of the line that lies higher on the page.
    const double sign = s.axis[1] >= 0 ? 1 : -1;
    x += sign * s.axis[0] * (PLOT_RADIUS + 12);
    y -= sign * s.axis[1] * (PLOT_RADIUS + 12);
  }
  const auto at = layout.place(x, y, 10, label, 13);
  svg_text(svg, at.x, at.y, label, {.size = 13, .bold = true, .fill = "#c00", .halo = true});
}

// Arrows from the row's origin along the two free reciprocal axes.
void draw_axes(SvgDocument& svg, const Section& s, const View& view, LabelLayout& layout) {
  static constexpr const char* NAMES[] = {"a*", "b*", "c*"};
  const int first = std::min((s.plane.fixed + 1) % 3, (s.plane.fixed + 2) % 3);
  const int second = 3 - s.plane.fixed - first;
  const std::pair<const std::array<double, 2>*, int> axes[] = {{&s.first_axis, first}, {&s.second_axis, second}};
  const double x0 = view.x(s.origin_row[0]), y0 = view.y(s.origin_row[1]);
  for (const auto& [axis, index] : axes) {
    const double length = std::hypot((*axis)[0], (*axis)[1]) * view.scale;
    const double steps = std::max(1.0, std::round(60 / length));  // arrows about 60 units long
    const double x1 = x0 + (*axis)[0] * view.scale * steps, y1 = y0 - (*axis)[1] * view.scale * steps;
    svg_line(svg, x0, y0, x1, y1, "#000", 1.8);
    const double ux = (x1 - x0) / (length * steps), uy = (y1 - y0) / (length * steps);
    svg_path(svg,
             "M" + svg_number(x1) + " " + svg_number(y1) + "L" + svg_number(x1 - 9 * ux - 4 * uy) + " " +
                 svg_number(y1 - 9 * uy + 4 * ux) + "L" + svg_number(x1 - 9 * ux + 4 * uy) + " " +
                 svg_number(y1 - 9 * uy - 4 * ux) + "Z",
             "#000");
    const auto at = layout.place(x1, y1, 7, NAMES[index], 15);
    svg_text(svg, at.x, at.y, NAMES[index], {.size = 15, .bold = true, .italic = true, .halo = true});
  }
}

void draw_key(SvgDocument& svg, const SectionPicture& p, double r) {
  const Section& s = *p.section;
  double y = 150;
  const double x = KEY_X;
  SectionPoint sample;
  const View at_key{1};
  auto item = [&](SectionStatus status, bool measured, const std::string& text) {
    sample.status = status;
    sample.measured = measured;
    sample.x = x + 6 - CENTRE_X;
    sample.y = CENTRE_Y - (y - 4);
    draw_point(svg, sample, at_key, std::max(r, 4.0));
    svg_text(svg, x + 20, y, text, {.size = 13});
    y += 24;
  };
  svg_text(svg, x, y - 28, "Reflections in the layer", {.size = 13, .bold = true});
  item(SectionStatus::Accessible, false, "accessible (" + std::to_string(s.counts[0]) + ")");
  item(SectionStatus::NotAccessible, false, "not accessible (" + std::to_string(s.counts[1]) + ")");
  item(SectionStatus::Absent, false, "systematically absent (" + std::to_string(s.counts[2]) + ")");
  if (p.with_measured) {
    sample.status = SectionStatus::Accessible;
    item(SectionStatus::Accessible, true, "measured (" + std::to_string(s.measured) + ")");
  }
  y += 10;
  svg_circle(svg, x + 6, y - 4, 8, "none", "#000", 1.2);
  svg_text(svg, x + 20, y, "d_min limit", {.size = 13});
  y += 24;
  svg_line(svg, x, y - 4, x + 14, y - 4, "#c00", 2, "5 3");
  svg_text(svg, x + 20, y, "DAC axis, projected", {.size = 13});
}

}  // namespace

SvgDocument draw_section(const SectionPicture& p) {
  const Section& s = *p.section;
  SvgDocument svg{WIDTH, HEIGHT, {}};
  svg_text(svg, 24, 30, p.title, {.size = 16, .bold = true});
  for (size_t i = 0; i < p.subtitles.size(); ++i)
    svg_text(svg, 24, 52 + 18 * i, p.subtitles[i], {.size = 13, .fill = "#222"});
  const double radius = s.limit_radius > 0 ? s.limit_radius : 1;
  const View view{PLOT_RADIUS / radius};
  const double r = std::clamp(0.32 * spacing(s) * view.scale, 1.0, 6.0);

  LabelLayout layout;
  layout.frame = {20, 90, KEY_X - 20, HEIGHT - 8};
  if (s.limit_radius > 0)
    svg_circle(svg, CENTRE_X, CENTRE_Y, PLOT_RADIUS, "#f4f4f4", "#000", 1.2);
  draw_axis_line(svg, s);
  for (const SectionPoint& point : s.points) {
    draw_point(svg, point, view, r);
    layout.reserve_mark(view.x(point.x), view.y(point.y), r * 0.5);
  }
  draw_axes(svg, s, view, layout);
  draw_axis_label(svg, p, layout);
  draw_key(svg, p, r);
  if (s.points.empty())
    svg_text(svg, CENTRE_X, CENTRE_Y, "The layer holds no reflection within d_min",
             {.size = 14, .anchor = Anchor::Middle});
  return svg;
}

}  // namespace zirel::planning
