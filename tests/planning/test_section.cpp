// Reciprocal-lattice layers: reading the layer, and each reflection's fate in it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include "map_fixtures.h"
#include "planning/section.h"
#include "planning/pictures/section_svg.h"

namespace zirel::planning {
namespace {

TEST(SectionPlane, ReadsTheLayersCrystallographersWrite) {
  const struct {
    const char* text;
    int fixed, value;
  } good[] = {{"h k 0", 2, 0}, {"h 0 l", 1, 0}, {"0 k l", 0, 0}, {"h k 2", 2, 2},
              {"h k -3", 2, -3}, {"H K 1", 2, 1}, {" h,1,l ", 1, 1}};
  for (const auto& c : good) {
    std::string error;
    const auto plane = parse_section_plane(c.text, error);
    ASSERT_TRUE(plane) << c.text << ": " << error;
    EXPECT_EQ(plane->fixed, c.fixed) << c.text;
    EXPECT_EQ(plane->value, c.value) << c.text;
  }
  for (const char* bad : {"h k l", "h 0 0", "k h 0", "h k", "h k 0 1", "h k x", "h k 1.5", ""}) {
    std::string error;
    EXPECT_FALSE(parse_section_plane(bad, error)) << bad;
    EXPECT_NE(error.find("h k 0"), std::string::npos) << bad;
  }
  EXPECT_EQ(section_plane_name({1, -2}), "h -2 l");
}

struct LayerCase {
  const char* plane;
  AxisKind kind;
  Vec3 axis;
  bool axis_normal;
  int measured;  // of the list below
};

// The example crystal with b along the axis: every reflection of the layer is
// drawn with the filtering's own decision and the space group's absences.
TEST(Section, EachReflectionHasTheFilteringsDecision) {
  const test::Crystal& c = test::CRYSTALS[0];  // P21/c
  const test::Built b = test::build(c);
  const LayerCase cases[] = {{"h k 0", AxisKind::UVW, {0, 1, 0}, false, 3},
                             {"h 0 l", AxisKind::UVW, {0, 1, 0}, true, 1},
                             {"h k 2", AxisKind::HKL, {1, 0, 2}, false, 0},
                             {"1 k l", AxisKind::UVW, {1, 1, 1}, false, 1}};
  const std::vector<Miller> measured = {{1, 2, 0}, {2, 0, 0}, {3, -1, 0}, {7, 7, 7}};
  for (const LayerCase& lc : cases) {
    std::string error;
    const AccessibilityRun run = prepare_accessibility(test::settings_at(c, lc.kind, lc.axis), b.metric);
    SectionInput in;
    in.plane = *parse_section_plane(lc.plane, error);
    in.frame = &b.frame;
    in.run = &run;
    in.axis_cartesian = axis_direction(b.frame, lc.kind, lc.axis);
    in.d_min = c.d_min;
    in.absent = [&](const Miller& m) { return b.symmetry.is_absent(m); };
    in.measured = measured;
    const Section s = make_section(in);
    EXPECT_EQ(s.axis_normal, lc.axis_normal) << lc.plane;
    ASSERT_GT(s.points.size(), 20u) << lc.plane;
    int counted[3] = {0, 0, 0}, rings = 0;
    for (const SectionPoint& p : s.points) {
      const Miller& m = p.hkl;
      const int fixed = lc.plane[0] != 'h' ? m.h : lc.plane[2] != 'k' ? m.k : m.l;
      EXPECT_EQ(fixed, in.plane.value);
      const float d = d_spacing(b.metric, {float(m.h), float(m.k), float(m.l)});
      EXPECT_GE(d, c.d_min);
      // Inside the circle where the d_min sphere cuts the layer.
      EXPECT_LE(std::hypot(p.x, p.y), s.limit_radius * (1 + 1e-9));
      SectionStatus expected = SectionStatus::NotAccessible;
      if (b.symmetry.is_absent(m))
        expected = SectionStatus::Absent;
      else if (is_accessible(run, m.h, m.k, m.l) == Accessibility::Accessible)
        expected = SectionStatus::Accessible;
      EXPECT_EQ(p.status, expected) << m.h << ' ' << m.k << ' ' << m.l;
      ++counted[static_cast<int>(p.status)];
      rings += p.measured;
    }
    for (int i = 0; i < 3; ++i)
      EXPECT_EQ(counted[i], s.counts[i]);
    EXPECT_EQ(rings, s.measured);
    EXPECT_EQ(s.measured, lc.measured) << lc.plane;  // 7 7 7 lies beyond d_min
  }
}

// The h k 0 layer of the first crystal, mounted with b along the axis, to its d_min.
class Hk0Layer : public testing::Test {
protected:
  const test::Crystal& c = test::CRYSTALS[0];
  const test::Built b = test::build(c);
  const AccessibilityRun run = prepare_accessibility(test::settings_at(c, AxisKind::UVW, {0, 1, 0}), b.metric);
  std::string error;
  SectionInput in = layer("h k 0");

  SectionInput layer(const char* plane) {
    SectionInput i;
    i.plane = *parse_section_plane(plane, error);
    i.frame = &b.frame;
    i.run = &run;
    i.axis_cartesian = axis_direction(b.frame, AxisKind::UVW, {0, 1, 0});
    i.d_min = c.d_min;
    return i;
  }
};

// A reflection whose d is the limit itself, to the last bit, is inside the layer's disc:
// the limit is d >= d_min, as everywhere else.
TEST_F(Hk0Layer, AReflectionExactlyOnTheLimitIsDrawn) {
  for (const Miller edge : {Miller{3, 0, 0}, Miller{2, 3, 0}, Miller{-1, 4, 0}}) {
    in.d_min = d_spacing(b.metric, {float(edge.h), float(edge.k), float(edge.l)});
    const Section s = make_section(in);
    const bool drawn = std::any_of(s.points.begin(), s.points.end(), [&](const SectionPoint& p) { return p.hkl == edge; });
    EXPECT_TRUE(drawn) << edge.h << ' ' << edge.k << ' ' << edge.l << " at d min " << in.d_min;
  }
}

TEST_F(Hk0Layer, AxisInTheLayerAndLimitCircle) {
  const Section s = make_section(in);
  // In a monoclinic cell with unique axis b, b lies along b*, across a* in the layer.
  EXPECT_NEAR(std::fabs(s.axis[1]), 1.0, 1e-12);
  EXPECT_NEAR(s.limit_radius, 1 / c.d_min, 1e-12);
  EXPECT_EQ(s.counts[2], 0);  // nothing absent without a space group's absences
  const std::string svg = svg_finish(draw_section({&s, "Layer", {"P 1 21/c 1"}, "[0 1 0]", false}));
  for (const char* text : {">DAC axis [0 1 0]<", ">a*<", ">b*<", ">d_min limit<", ">Layer<"})
    EXPECT_NE(svg.find(text), std::string::npos) << text;
  EXPECT_EQ(svg.find("measured"), std::string::npos);

  // A layer beyond the resolution limit holds nothing and says so.
  in.plane = *parse_section_plane("h k 40", error);
  const Section empty = make_section(in);
  EXPECT_TRUE(empty.points.empty());
  EXPECT_EQ(empty.limit_radius, 0);
  EXPECT_NE(svg_finish(draw_section({&empty, "Layer", {}, "[0 1 0]", false})).find("holds no reflection"),
            std::string::npos);
}

}  // namespace
}  // namespace zirel::planning
