#pragma once
#include <span>
#include <string>
#include <vector>
#include "planning/cartesian.h"
#include "planning/direction_grid.h"
#include "svg_writer.h"

namespace zirel::planning {

// A direction marked on the map.
struct MapMark {
  enum class Kind { DirectAxis, ReciprocalAxis, Best, Mounted };
  Kind kind = Kind::DirectAxis;
  Vec3d direction{};
  std::string label;  // "a", "b*", "1", "[0 1 0]"
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
  std::vector<std::vector<std::string>> table;
  std::string summary;                 // the line under it

};

// The completeness map as an equal-area (Lambert azimuthal) projection of the upper
// hemisphere, centred on z (c*) with x (a) to the right.
SvgDocument draw_map(const MapPicture& picture);

}  // namespace zirel::planning
