#include "label_layout.h"

#include <algorithm>
#include <limits>
#include "svg_writer.h"

namespace zirel::planning {

namespace {

double overlap(const Box& a, const Box& b) {
  const double w = std::min(a.right, b.right) - std::max(a.left, b.left);
  const double h = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
  return w > 0 && h > 0 ? w * h : 0;
}

double outside(const Box& box, const Box& frame) {
  return std::max(0.0, frame.left - box.left) + std::max(0.0, box.right - frame.right) +
         std::max(0.0, frame.top - box.top) + std::max(0.0, box.bottom - frame.bottom);
}

// Leaving the frame is worst (the label would be cut off), covering a label next
// (neither can be read), covering a mark least (the halo keeps the mark visible).
constexpr double OUTSIDE_COST = 1e6, LABEL_COST = 1e3, MARK_COST = 1;
constexpr int RINGS = 4;  // distances tried: gap, then a label's height further each time

}  // namespace

bool intersect(const Box& a, const Box& b) { return overlap(a, b) > 0; }

void LabelLayout::reserve_mark(double x, double y, double radius) {
  marks.push_back({x - radius, y - radius, x + radius, y + radius});
}

LabelLayout::Place LabelLayout::place(double px, double py, double gap, std::string_view text, double size) {
  const double w = text_width(text, size), ascent = 0.72 * size, descent = 0.22 * size;
  Place best{px + gap, py + ascent / 2, {}};
  double best_cost = std::numeric_limits<double>::infinity();
  bool blocked = true;  // the best so far covers a label or leaves the frame
  for (int ring = 0; ring < RINGS && blocked; ++ring) {
    const double g = gap + ring * (ascent + descent);
    // Right, left, above, below, then the diagonals: (x of box left, y of baseline).
    const Place candidates[] = {
        {px + g, py + ascent / 2, {}},          {px - g - w, py + ascent / 2, {}},
        {px - w / 2, py - g - descent, {}},     {px - w / 2, py + g + ascent, {}},
        {px + g * 0.7, py - g * 0.7, {}},       {px - g * 0.7 - w, py - g * 0.7, {}},
        {px + g * 0.7, py + g * 0.7 + ascent, {}}, {px - g * 0.7 - w, py + g * 0.7 + ascent, {}},
    };
    for (const Place& c : candidates) {
      const Box box{c.x - 1, c.y - ascent - 1, c.x + w + 1, c.y + descent + 1};
      double blocking = outside(box, frame) * OUTSIDE_COST;
      for (const Box& t : labels)
        blocking += overlap(box, t) * LABEL_COST;
      double cost = blocking;
      for (const Box& t : marks)
        cost += overlap(box, t) * MARK_COST;
      if (cost < best_cost) {
        best_cost = cost;
        best = {c.x, c.y, box};
        blocked = blocking > 0;
        if (cost == 0)
          break;
      }
    }
  }
  labels.push_back(best.box);
  return best;
}

}  // namespace zirel::planning
