#pragma once
#include <string>
#include <vector>
#include "planning/section.h"
#include "svg_writer.h"

namespace zirel::planning {

struct SectionPicture {
  const Section* section = nullptr;
  std::string title;
  std::vector<std::string> subtitles;  // the symmetry, the parameters
  std::string axis_label; // "[0 1 0]" or "(1 0 0)"
  bool with_measured = false;
};

// The layer as seen from above: each reflection drawn by its fate, the circle where
// the d_min sphere cuts the layer, the DAC axis projected into it.
SvgDocument draw_section(const SectionPicture& picture);

}  // namespace zirel::planning
