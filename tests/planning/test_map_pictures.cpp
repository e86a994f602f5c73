// The SVG writer, the colour scale, label placement and the map picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include "planning/cartesian.h"
#include "planning/pictures/colour_scale.h"
#include "planning/pictures/label_layout.h"
#include "planning/pictures/map_svg.h"
#include "planning/number_text.h"
#include "planning/pictures/svg_writer.h"

namespace zirel::planning {
namespace {

TEST(SvgWriter, NumbersAreShortAndLocaleFree) {
  const struct {
    double value;
    int decimals;
    const char* text;
  } cases[] = {{12.5, 2, "12.5"}, {3, 2, "3"}, {-0.001, 2, "0"}, {1234.567, 1, "1234.6"},
               {-7.25, 1, "-7.3"}, {0.125, 3, "0.125"}, {100, 0, "100"}};
  for (const auto& c : cases)
    EXPECT_EQ(svg_number(c.value, c.decimals), c.text) << c.value;
  EXPECT_EQ(svg_escape("a < b & c > d"), "a &lt; b &amp; c &gt; d");
}

// A name in another encoding must not make the JSON report or the picture
// unreadable: bytes outside well-formed UTF-8 become U+FFFD, one each, and
// good text passes unchanged.
TEST(TextForParsers, IllFormedUtf8IsReplaced) {
  const std::string R = "\xEF\xBF\xBD";
  const struct {
    const char* name;
    std::string text, repaired;
  } cases[] = {
      {"ASCII", "run 12.hkl", "run 12.hkl"},
      {"two, three and four bytes", "\xC3\xA9 \xE2\x84\xAB \xF0\x9F\x92\x8E", "\xC3\xA9 \xE2\x84\xAB \xF0\x9F\x92\x8E"},
      {"Latin-1 e acute", "Pr\xFC" "fung.hkl", "Pr" + R + "fung.hkl"},
      {"lone continuation byte", "a\x80" "b", "a" + R + "b"},
      {"cut at the end", "a\xE2\x84", "a" + R + R},
      {"overlong slash", "\xC0\xAF", R + R},
      {"overlong three bytes", "\xE0\x80\xAF", R + R + R},
      {"surrogate", "\xED\xA0\x80", R + R + R},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80", R + R + R + R},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(well_formed_utf8(c.text), c.repaired);
    EXPECT_EQ(json_string(c.text), "\"" + c.repaired + "\"");
    EXPECT_EQ(svg_escape(c.text), c.repaired);
  }
}

TEST(SvgWriter, DocumentIsWrittenWholeOrRefused) {
  SvgDocument svg{100, 50, {}};
  svg_text(svg, 10, 20, "λ < 1 Å", {.size = 12, .anchor = Anchor::Middle, .bold = true});
  const std::string text = svg_finish(svg);
  EXPECT_EQ(text.rfind("<?xml", 0), 0u);
  EXPECT_NE(text.find("viewBox=\"0 0 100 50\""), std::string::npos);
  EXPECT_NE(text.find(">λ &lt; 1 Å</text>"), std::string::npos);
  EXPECT_NE(text.find("text-anchor=\"middle\""), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 7), "</svg>\n");
  std::string error;
  EXPECT_FALSE(write_svg_file(svg, "no-such-folder/map.svg", error));
  EXPECT_NE(error.find("no-such-folder/map.svg"), std::string::npos);
}

TEST(ColourScale, ViridisEndsAndClamps) {
  EXPECT_EQ(viridis_hex(0), "#440154");
  EXPECT_EQ(viridis_hex(0.5), "#21908c");
  EXPECT_EQ(viridis_hex(1), "#fde725");
  EXPECT_EQ(viridis_hex(-3), "#440154");
  EXPECT_EQ(viridis_hex(7), "#fde725");
  EXPECT_EQ(viridis_hex(NAN), "#440154");
}

// Labels crowded onto one point still come out side by side.
TEST(LabelLayout, CrowdedLabelsDoNotOverlap) {
  LabelLayout layout;
  layout.frame = {0, 0, 400, 400};
  layout.reserve_mark(200, 200, 5);
  std::vector<Box> boxes;
  for (const char* label : {"a", "a*", "[1 0 0]", "b, b*"}) {
    const auto at = layout.place(200, 200, 8, label, 14);
    boxes.push_back({at.x, at.y - 10, at.x + text_width(label, 14), at.y + 3});
  }
  for (size_t i = 0; i < boxes.size(); ++i)
    for (size_t j = 0; j < i; ++j) {
      const bool apart = boxes[i].right <= boxes[j].left || boxes[j].right <= boxes[i].left ||
                         boxes[i].bottom <= boxes[j].top || boxes[j].bottom <= boxes[i].top;
      EXPECT_TRUE(apart) << i << ' ' << j;
    }
}

TEST(MapPicture, ShowsScaleMarksAndTitle) {
  const DirectionGrid grid = make_direction_grid(10);
  std::vector<int> counts(grid.cell_count());
  for (int c = 0; c < grid.cell_count(); ++c)
    counts[c] = 200 + c % 37;  // 20.0 % to 23.6 % of 1000
  MapPicture p;
  p.grid = &grid;
  p.counts = counts;
  p.theory = 1000;
  p.title = "Completeness map: test";
  p.marks = {{MapMark::Kind::DirectAxis, {1, 0, 0}, "a"},
             {MapMark::Kind::ReciprocalAxis, {0, 0, -1}, "c*"},
             {MapMark::Kind::Best, {0.3, 0.2, 0.9}, "1"},
             {MapMark::Kind::Mounted, {0, 1, 0}, "[0 1 0]"}};
  p.table_heading = "Best mounts";
  p.table = {{"1", "[1 0 1]", "23.6%", "(1 0 2)", "23.5%"}};
  const std::string svg = svg_finish(draw_map(p));
  for (const char* text : {">Completeness map: test<", ">Completeness (%)<", ">a<", ">c*<", ">[0 1 0]<",
                           ">1<", ">Best mounts<", ">(1 0 2)<", ">mount already made<"})
    EXPECT_NE(svg.find(text), std::string::npos) << text;
  // The scale runs over round numbers around the values: 20 to 24 in steps of 1.
  for (const char* tick : {">20<", ">21<", ">22<", ">23<", ">24<"})
    EXPECT_NE(svg.find(tick), std::string::npos) << tick;
  EXPECT_EQ(svg.find(">19<"), std::string::npos);
  EXPECT_EQ(svg.find(">25<"), std::string::npos);
  // The cells are drawn in the many colours of their values (the legend's 64 steps
  // aside), with no stray NaN.
  std::set<std::string> colours;
  const std::regex cell_colour("<circle r=\"[0-9.]+\" stroke=\"(#[0-9a-f]{6})\"");
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), cell_colour); it != std::sregex_iterator(); ++it)
    colours.insert((*it)[1]);
  EXPECT_GT(colours.size(), 10u);
  EXPECT_EQ(svg.find("nan"), std::string::npos);
}

// Lambert's equal-area projection worked by hand: r = 250 sin(polar / 2) / sin(45 deg)
// about the centre (330, 345), azimuth counter-clockwise from the right.
TEST(MapPicture, DirectionsLieWhereTheProjectionPutsThem) {
  const struct {
    const char* name;
    Vec3d direction;
    double x, y;
  } cases[] = {
      {"c* at the centre", {0, 0, 1}, 330, 345},
      {"its opposite is the same mount", {0, 0, -1}, 330, 345},
      {"a on the right rim", {1, 0, 0}, 580, 345},
      {"b on the top rim", {0, 1, 0}, 330, 95},
      // polar 45 deg: r = 250 * 0.382683 / 0.707107 = 135.299
      {"between a and c*", {1, 0, 1}, 465.299, 345},
      {"below, seen from above", {0, -1, -1}, 330, 345 - 135.299},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const MapPoint p = map_position(c.direction);
    EXPECT_NEAR(p.x, c.x, 1e-3);
    EXPECT_NEAR(p.y, c.y, 1e-3);
  }
}

MapPicture small_map(const DirectionGrid& grid, const std::vector<int>& counts) {
  MapPicture p;
  p.grid = &grid;
  p.counts = counts;
  p.theory = 1000;
  p.table_heading = "Best mounts";
  return p;
}

// The worst mount is a cross centred where the projection puts it, named in the key.
TEST(MapPicture, WorstMountIsMarkedAtItsDirection) {
  const DirectionGrid grid = make_direction_grid(10);
  const std::vector<int> counts(grid.cell_count(), 300);
  MapPicture p = small_map(grid, counts);
  p.marks = {{MapMark::Kind::Worst, {1, 0, 1}, "worst"}, {MapMark::Kind::DirectAxis, {1, 0, 0}, "a"}};
  const std::string svg = svg_finish(draw_map(p));
  const std::regex cross("<path d=\"M([0-9.]+) ([0-9.]+)m-5 -5l10 10m-10 0l10 -10\"[^>]*stroke=\"#c00\"");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(svg, m, cross));
  EXPECT_NEAR(std::stod(m[1]), 465.3, 0.01);
  EXPECT_NEAR(std::stod(m[2]), 345, 0.01);
  EXPECT_NE(svg.find(">worst<"), std::string::npos);
  EXPECT_NE(svg.find(">worst mount<"), std::string::npos);
  // Without a worst mark there is no such key.
  p.marks.erase(p.marks.begin());
  EXPECT_EQ(svg_finish(draw_map(p)).find(">worst mount<"), std::string::npos);
}

// The table's header and every cell appear, columns in order left to right, and a
// table too wide for the room beside the map is drawn smaller, not cut off.
TEST(MapPicture, TableHasHeadersAndFitsThePage) {
  const DirectionGrid grid = make_direction_grid(10);
  const std::vector<int> counts(grid.cell_count(), 300);
  MapPicture p = small_map(grid, counts);
  p.table_columns = {"", "[U V W]", "compl.", "(h k l)", "compl.", "rank"};
  p.table = {{"1", "[14 -11 -12]", "29.7%", "(18 -10 -15)", "29.8%", "29.8%"}};
  const std::string svg = svg_finish(draw_map(p));
  double last_x = -1, last_size = 0, width = 0;
  auto from = svg.cbegin();
  for (const std::string& text : p.table_columns) {
    if (text.empty())
      continue;
    const std::regex at("<text x=\"([0-9.]+)\"[^>]*font-size=\"([0-9.]+)\"[^>]*>" +
                        std::regex_replace(text, std::regex(R"([\[\]().])"), R"(\$&)") + "</text>");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(from, svg.cend(), m, at)) << text;
    from = m[0].second;
    EXPECT_GT(std::stod(m[1]), last_x) << text;
    last_x = std::stod(m[1]);
    last_size = std::stod(m[2]);
    width = last_x + text_width(p.table.back().back(), last_size);
  }
  EXPECT_LT(last_size, 12.0);  // shrunk to fit
  EXPECT_LE(width, std::stod(svg.substr(svg.find("width=\"") + 7)));
}

// Two axes a fraction of a degree apart (c and c* of a nearly orthogonal cell) have
// their labels side by side, never one over the other, and near their marks.
TEST(MapPicture, LabelsOfCloseAxesDoNotOverlap) {
  const struct {
    const char* name;
    UnitCell cell;
  } cases[] = {
      {"monoclinic, beta 90.3", {7.5f, 9.8f, 11.2f, 90, 90.3f, 90}},
      {"monoclinic, beta 91", {7.5f, 9.8f, 11.2f, 90, 91, 90}},
      {"monoclinic, beta 93", {6, 6.1f, 6.2f, 90, 93, 90}},
      {"triclinic, all near 90", {6.1f, 7.3f, 8.9f, 90.3f, 90.6f, 89.8f}},
      {"triclinic, alpha 92 gamma 91", {5, 5.2f, 5.1f, 92, 90.5f, 91}},
      {"orthorhombic", {8, 9, 10, 90, 90, 90}},
  };
  static constexpr const char* NAMES[] = {"a", "b", "c"};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const CartesianFrame frame = make_frame(c.cell);
    const DirectionGrid grid = make_direction_grid(10);
    const std::vector<int> counts(grid.cell_count(), 300);
    MapPicture p = small_map(grid, counts);
    p.marks.push_back({MapMark::Kind::Worst, normalized(frame.direct_vector({0, 0, 1})), "worst"});
    p.marks.push_back({MapMark::Kind::Mounted, normalized(frame.reciprocal_vector({0, 0, 1})), "(0 0 1)"});
    for (int i = 0; i < 3; ++i) {
      Vec3d e{0, 0, 0};
      e[i] = 1;
      p.marks.push_back({MapMark::Kind::DirectAxis, frame.direct_vector(e), NAMES[i]});
      p.marks.push_back({MapMark::Kind::ReciprocalAxis, frame.reciprocal_vector(e), NAMES[i] + std::string("*")});
    }
    p.marks.push_back({MapMark::Kind::Best, {0.01, 0.01, 1}, "1"});
    const std::vector<MapLabel> labels = map_labels(p);
    ASSERT_EQ(labels.size(), p.marks.size() - 1);  // the best mount is numbered in its circle
    for (size_t i = 0; i < labels.size(); ++i) {
      const MapPoint at = map_position(p.marks[labels[i].mark].direction);
      const Box& b = labels[i].box;
      EXPECT_LT(std::hypot((b.left + b.right) / 2 - at.x, (b.top + b.bottom) / 2 - at.y), 80)
          << p.marks[labels[i].mark].label;
      for (size_t j = 0; j < i; ++j)
        EXPECT_FALSE(intersect(b, labels[j].box))
            << p.marks[labels[i].mark].label << " over " << p.marks[labels[j].mark].label;
    }
  }
}

// The colour the picture gives each cell of the rings beyond the cap, read back from
// the SVG: a ring is a circle in its commonest colour, and the other colours' cells
// are dashes along it (in tenths of a unit, from azimuth 0 counter-clockwise).
std::vector<std::string> colours_read_back(const std::string& svg, const DirectionGrid& grid) {
  std::map<std::string, std::string> common;  // radius -> colour of the whole ring
  std::vector<std::tuple<std::string, std::string, std::vector<double>>> dashed;
  const std::regex circle(R"re(<circle r="([0-9.]+)" stroke="(#[0-9a-f]{6})")re"
                          R"re(( stroke-width="[0-9.]+")?( stroke-dasharray="([0-9 ]+)")?/>)re");
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), circle); it != std::sregex_iterator(); ++it) {
    const std::smatch& m = *it;
    if (!m[4].matched) {
      common[m[1]] = m[2];
      continue;
    }
    std::vector<double> pattern;
    std::istringstream numbers(m[5].str());
    for (double v; numbers >> v;)
      pattern.push_back(v);
    dashed.emplace_back(m[1], m[2], pattern);
  }
  std::vector<std::string> colours;
  // Tenths of a unit, y up, the pattern one tenth in (past the dash it opens with).
  EXPECT_NE(svg.find("<g fill=\"none\" stroke-dashoffset=\"1\" transform=\"matrix(0.1 0 0 -0.1 330 345)\">"),
            std::string::npos);
  EXPECT_EQ(common.size(), size_t(grid.ring_count() - 1));
  // The rings in order of radius (the map's keys sort as text).
  std::vector<std::pair<double, std::string>> rings;
  for (const auto& [radius, colour] : common)
    rings.push_back({std::stod(radius), radius});
  std::sort(rings.begin(), rings.end());
  for (size_t i = 0; i < rings.size(); ++i) {
    const int ring = static_cast<int>(i) + 1, size = grid.ring_size[ring];
    const double r = rings[i].first;
    for (int j = 0; j < size; ++j) {
      const double at = r * 2 * std::numbers::pi * (j + 0.5) / size;
      std::string colour = common[rings[i].second];
      for (const auto& [dr, dc, pattern] : dashed) {
        if (dr != rings[i].second)
          continue;
        EXPECT_EQ(pattern.front(), 1);  // opens with a dash the offset skips
        double s = -1;
        for (size_t k = 0; k < pattern.size(); s += pattern[k], ++k)
          if (k % 2 == 0 && at >= s && at < s + pattern[k])
            colour = dc;
      }
      colours.push_back(colour);
    }
  }
  return colours;
}

// Cells of two colours at random, runs of every length down to one cell, at coarse
// and fine steps: each cell beyond the cap is drawn in its own colour, and the
// picture stays small even when every cell differs from its neighbours.
TEST(MapPicture, RingsReadBackCellByCell) {
  const struct {
    double step;
    int longest_run;  // cells of one colour side by side, at most
    size_t most_bytes;
  } cases[] = {{10, 3, 60'000}, {2, 4, 120'000}, {1, 1, 300'000}, {1, 6, 300'000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.step << " deg, runs up to " << c.longest_run);
    const DirectionGrid grid = make_direction_grid(c.step);
    std::vector<int> counts(grid.cell_count());
    std::mt19937 random(7);
    // 20 % and 30 % of 1000: the two ends of the scale, purple and yellow.
    for (size_t cell = 0; cell < counts.size();) {
      const int value = cell == 0 || counts[cell - 1] == 300 ? 200 : 300;
      const size_t run = 1 + random() % c.longest_run;
      for (size_t k = 0; k < run && cell < counts.size(); ++k)
        counts[cell++] = value;
    }
    MapPicture p = small_map(grid, counts);
    const std::string svg = svg_finish(draw_map(p));
    EXPECT_LT(svg.size(), c.most_bytes);
    const std::vector<std::string> colours = colours_read_back(svg, grid);
    ASSERT_EQ(colours.size(), size_t(grid.cell_count() - grid.ring_size[0]));
    for (int cell = grid.ring_size[0]; cell < grid.cell_count(); ++cell)
      ASSERT_EQ(colours[cell - grid.ring_size[0]], counts[cell] == 200 ? "#440154" : "#fde725") << "cell " << cell;
  }
}

}  // namespace
}  // namespace zirel::planning
