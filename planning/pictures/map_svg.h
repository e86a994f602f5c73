#pragma once
#include <span>
#include <string>
#include <vector>
#include "planning/cartesian.h"
#include "planning/direction_grid.h"
#include "label_layout.h"
#include "svg_writer.h"

namespace zirel::planning {

// A direction marked on the map.
struct MapMark {
  enum class Kind { DirectAxis, ReciprocalAxis, Best, Mounted, Worst };
  Kind kind = Kind::DirectAxis;
  Vec3d direction{};
  std::string label;  // "a", "b*", "1", "[0 1 0]", "worst"
};

// Everything the map picture shows.
struct MapPicture {
  const DirectionGrid* grid = nullptr;
  std::span<const int> counts;  // accessible unique reflections per cell
  int theory = 0;               // unique reflections in theory
  std::string title;            // the parameters, one line
  std::string subtitle;         // what the map shows, one line
  std::vector<MapMark> marks;
  std::vector<std::string> key_lines;  // lines under the key of marks
  std::string table_heading;           // then a table: the best mounts
  std::vector<std::string> table_columns;  // its column headers
  std::vector<std::vector<std::string>> table;
  std::string table_note;              // what the table's rank is
  std::string summary;                 // the line under it
};

// Where a direction (or its opposite, the same mount) lies on the page.
struct MapPoint {
  double x, y;
};
MapPoint map_position(const Vec3d& direction);

// A mark's label as placed beside it: baseline start and the box it covers.
struct MapLabel {
  size_t mark;  // index into MapPicture::marks
  double x, y;
  Box box;
};
// The labels of the marks (the best mounts are numbered in their circles instead),
// placed apart from each other and from every mark.
std::vector<MapLabel> map_labels(const MapPicture& picture);

// The completeness map as an equal-area (Lambert azimuthal) projection of the upper
// hemisphere, centred on z (c*) with x (a) to the right.
SvgDocument draw_map(const MapPicture& picture);

}  // namespace zirel::planning
