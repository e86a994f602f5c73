#pragma once
#include <string_view>
#include <vector>

namespace zirel::planning {

struct Box {
  double left = 0, top = 0, right = 0, bottom = 0;
};

// Places labels beside their points so that they overlap neither each other nor the
// marks already drawn: each label tries eight places around its point, nearest
// first, and takes the first free one (or the least crowded).
struct LabelLayout {
  Box frame;                 // labels stay inside it
  std::vector<Box> taken;    // marks and labels placed so far

  void reserve_mark(double x, double y, double radius);
  // Baseline-start position (x, y) of a label of the given size beside (px, py).
  struct Place {
    double x, y;
  };
  Place place(double px, double py, double gap, std::string_view text, double size);
};

}  // namespace zirel::planning
