#pragma once
#include <string_view>
#include <vector>

namespace zirel::planning {

struct Box {
  double left = 0, top = 0, right = 0, bottom = 0;
};

// True when two boxes share more than an edge.
bool intersect(const Box& a, const Box& b);

// Places labels beside their points so that they overlap neither each other nor the
// marks already drawn: each label tries eight places around its point, nearest
// first, and takes the first free one, or else the one covering least, a label
// counting far more than a mark. Only when each of the eight covers another label
// or leaves the frame (two axes a fraction of a degree apart) does it try the same
// eight further out: a label over a few marks beside its point reads better than
// one away from it, but a label over a label cannot be read at all.
struct LabelLayout {
  Box frame;                 // labels stay inside it
  std::vector<Box> marks;    // marks drawn so far
  std::vector<Box> labels;   // labels placed so far

  void reserve_mark(double x, double y, double radius);
  // Baseline-start position (x, y) of a label of the given size beside (px, py), and
  // the box it covers.
  struct Place {
    double x, y;
    Box box;
  };
  Place place(double px, double py, double gap, std::string_view text, double size);
};

}  // namespace zirel::planning
