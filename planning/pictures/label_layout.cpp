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

}  // namespace

void LabelLayout::reserve_mark(double x, double y, double radius) {
  taken.push_back({x - radius, y - radius, x + radius, y + radius});
}

LabelLayout::Place LabelLayout::place(double px, double py, double gap, std::string_view text, double size) {
  const double w = text_width(text, size), ascent = 0.72 * size, descent = 0.22 * size;
  // Right, left, above, below, then the diagonals: (x of box left, y of baseline).
  const Place candidates[] = {
      {px + gap, py + ascent / 2},          {px - gap - w, py + ascent / 2},
      {px - w / 2, py - gap - descent},     {px - w / 2, py + gap + ascent},
      {px + gap * 0.7, py - gap * 0.7},     {px - gap * 0.7 - w, py - gap * 0.7},
      {px + gap * 0.7, py + gap * 0.7 + ascent}, {px - gap * 0.7 - w, py + gap * 0.7 + ascent},
  };
  Place best = candidates[0];
  double best_cost = std::numeric_limits<double>::infinity();
  Box best_box{};
  for (const Place& c : candidates) {
    const Box box{c.x - 1, c.y - ascent - 1, c.x + w + 1, c.y + descent + 1};
    double cost = outside(box, frame) * 1000;
    for (const Box& t : taken)
      cost += overlap(box, t);
    if (cost < best_cost) {
      best_cost = cost;
      best = c;
      best_box = box;
      if (cost == 0)
        break;
    }
  }
  taken.push_back(best_box);
  return best;
}

}  // namespace zirel::planning
