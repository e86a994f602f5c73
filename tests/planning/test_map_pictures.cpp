// The SVG writer, the colour scale, label placement and the map picture.
#include <gtest/gtest.h>

#include <string>
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
  // Every cell is drawn: one filled path per colour used, no stray NaN.
  size_t paths = 0;
  for (size_t at = svg.find("<path d=\"M"); at != std::string::npos; at = svg.find("<path d=\"M", at + 1))
    ++paths;
  EXPECT_GT(paths, 10u);
  EXPECT_EQ(svg.find("nan"), std::string::npos);
}

}  // namespace
}  // namespace zirel::planning
