// prepare_plan: every refusal in its turn, from a request filled by hand as a script
// would fill it, and a prepared plan the map and the section use without a command line.
#include "planning/prepare_plan.h"

#include <gtest/gtest.h>
#include "planning/plan_map.h"
#include "planning/plan_section.h"

namespace zirel::planning {
namespace {

PlanRequest quartz_like(PlanCommand command) {
  PlanRequest q;
  q.command = command;
  q.cell = UnitCell{7.512f, 9.874f, 11.236f, 90.0f, 103.47f, 90.0f};
  q.wavelength = 0.7093f;
  q.psi_max = 35.0f;
  q.axis = {AxisKind::UVW, Vec3{0.0f, 1.0f, 0.0f}};
  q.space_group = "P21/c";
  return q;
}

struct RefusalCase {
  const char* name;
  PlanCommand command;
  void (*spoil)(PlanRequest&);
  PlanRefusalKind kind;
  PlanParameter parameter;
  const char* message_part;
};
void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

// Two faults at once show which check speaks first.
const RefusalCase REFUSALS[] = {
    {"no symmetry", PlanCommand::report, [](PlanRequest& q) { q.space_group.clear(); q.wavelength = 0; },
     PlanRefusalKind::invalid_parameter, PlanParameter::symmetry, "space group"},
    {"wavelength before the cell", PlanCommand::map, [](PlanRequest& q) { q.wavelength = 0; q.cell.a = 0; },
     PlanRefusalKind::invalid_parameter, PlanParameter::wavelength, "WAVELENGTH"},
    {"singular cell", PlanCommand::section, [](PlanRequest& q) { q.cell.a = 0; },
     PlanRefusalKind::singular_cell, PlanParameter::cell, ""},
    {"zero axis for the report", PlanCommand::report, [](PlanRequest& q) { q.axis.axis = {0, 0, 0}; },
     PlanRefusalKind::zero_axis, PlanParameter::axis, "ZERO"},
    {"no opening", PlanCommand::map, [](PlanRequest& q) { q.psi_max = 0; },
     PlanRefusalKind::invalid_parameter, PlanParameter::psi_max, "above 0"},
    {"cell without the symmetry", PlanCommand::map, [](PlanRequest& q) { q.space_group = "Pbca"; },
     PlanRefusalKind::invalid_parameter, PlanParameter::cell, "does not have the symmetry"},
    {"d min not positive", PlanCommand::report, [](PlanRequest& q) { q.d_min = 0.0f; },
     PlanRefusalKind::invalid_parameter, PlanParameter::d_min, "positive"},
    {"map sphere too large", PlanCommand::map, [](PlanRequest& q) { q.d_min = 0.01f; q.step_deg = 0; },
     PlanRefusalKind::too_large, PlanParameter::d_min, "d min 0.01 A holds about"},
    {"section sphere too large", PlanCommand::section, [](PlanRequest& q) { q.d_min = 1e-9f; },
     PlanRefusalKind::too_large, PlanParameter::d_min, "d min 1e-09 A"},
    {"step", PlanCommand::map, [](PlanRequest& q) { q.step_deg = 0.05f; q.top = -1; },
     PlanRefusalKind::invalid_parameter, PlanParameter::step, "0.1 to 30"},
    {"top", PlanCommand::map, [](PlanRequest& q) { q.top = 101; },
     PlanRefusalKind::invalid_parameter, PlanParameter::top, "0 to 100"},
    {"nothing in theory", PlanCommand::map, [](PlanRequest& q) { q.d_min = 50.0f; },
     PlanRefusalKind::nothing_to_plan, PlanParameter::d_min, "no reflection has d >= d_min (50 A)"},
    {"nothing in theory after the top", PlanCommand::map, [](PlanRequest& q) { q.d_min = 50.0f; q.top = 101; },
     PlanRefusalKind::invalid_parameter, PlanParameter::top, "0 to 100"},
    {"report of a wavelength of metres", PlanCommand::report, [](PlanRequest& q) { q.wavelength = 1e6f; },
     PlanRefusalKind::nothing_to_plan, PlanParameter::d_min, "no reflection has d >= d_min (871723.375 A)"},
    {"report of a vanishing opening", PlanCommand::report, [](PlanRequest& q) { q.psi_max = 1e-45f; },
     PlanRefusalKind::nothing_to_plan, PlanParameter::d_min, "no reflection has d >= d_min (infinite)"},
    {"report with a d min above every d", PlanCommand::report, [](PlanRequest& q) { q.d_min = 50.0f; },
     PlanRefusalKind::nothing_to_plan, PlanParameter::d_min, "(50 A)"},
    {"second mount without direction", PlanCommand::map,
     [](PlanRequest& q) { q.mounts = {{AxisKind::UVW, {0, 1, 0}}, {AxisKind::HKL, {0, 0, 0}}}; },
     PlanRefusalKind::zero_axis, PlanParameter::mounts, "mount normal of (0 0 0)"},
    {"layer", PlanCommand::section, [](PlanRequest& q) { q.plane = "h k l"; },
     PlanRefusalKind::invalid_parameter, PlanParameter::plane, "h k l"},
};

class PlanRefused : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(PlanRefused, InItsTurn) {
  const RefusalCase& c = GetParam();
  PlanRequest q = quartz_like(c.command);
  c.spoil(q);
  const PlanPreparation p = prepare_plan(q);
  ASSERT_FALSE(p.plan);
  ASSERT_TRUE(p.refusal);
  EXPECT_EQ(p.refusal->kind, c.kind) << p.refusal->message;
  EXPECT_EQ(p.refusal->parameter, c.parameter) << p.refusal->message;
  EXPECT_NE(p.refusal->message.find(c.message_part), std::string::npos) << p.refusal->message;
}

INSTANTIATE_TEST_SUITE_P(Cases, PlanRefused, ::testing::ValuesIn(REFUSALS));

TEST(PreparePlan, TheMapLooksAtNoAxis) {
  PlanRequest q = quartz_like(PlanCommand::map);
  q.axis.axis = {0, 0, 0};  // not the map's; a made-up axis is no longer needed either
  q.step_deg = 10;
  q.top = 2;
  const PlanPreparation p = prepare_plan(q);
  ASSERT_TRUE(p.plan) << p.refusal->message;
  const MapResult r = plan_map(*p.plan, 1);
  EXPECT_EQ(r.theory, static_cast<int>(p.plan->set.reflections.size()));
  EXPECT_EQ(r.counts.size(), static_cast<size_t>(r.grid.cell_count()));
  ASSERT_EQ(r.best.size(), 2u);
  EXPECT_GE(r.best[0].rank_accessible(), r.best[1].rank_accessible());
  EXPECT_LE(r.worst.accessible, r.best[1].accessible);
}

TEST(PreparePlan, TheSectionTakesMeasuredIndicesInHand) {
  PlanRequest q = quartz_like(PlanCommand::section);
  q.plane = "h 0 l";
  const PlanPreparation p = prepare_plan(q);
  ASSERT_TRUE(p.plan) << p.refusal->message;
  const Miller measured[] = {{1, 0, 0}, {2, 0, 1}, {1, 1, 1}};  // the last is off the layer
  const Section s = plan_section(*p.plan, measured);
  EXPECT_EQ(s.measured, 2);
  EXPECT_GT(s.counts[0] + s.counts[1] + s.counts[2], 0);
}

struct CountCase {
  double count;
  const char* text;
};

TEST(PreparePlan, CountsReadAsNumbers) {
  for (const CountCase c : {CountCase{21095862.4, "21095862"}, CountCase{0, "0"}, CountCase{3.4e19, "3.4e+19"},
                            CountCase{1.0 / 0.0, "uncountably many"}})
    EXPECT_EQ(count_text(c.count), c.text) << c.count;
}

}  // namespace
}  // namespace zirel::planning

namespace zirel::planning {
namespace {

struct OnTheLimit {
  const char* name;
  UnitCell cell;
  const char* space_group;
  float d_min;
  size_t unique;  // counted by hand from the lattice: see each case
};
void PrintTo(const OnTheLimit& c, std::ostream* os) { *os << c.name; }

// Reflections lying exactly on a typed d min are inside. Cubic, a = 6: d = 6 / sqrt(N),
// N = h^2 + k^2 + l^2, so d = 0.6 is N = 100 (10 0 0, 8 6 0, ...), which single precision
// puts a rounding either side of 0.6; a d min of 0.59999 counts them beyond doubt.
const OnTheLimit LIMITS[] = {
    {"Pa-3 at 0.6", {6, 6, 6, 90, 90, 90}, "Pa-3", 0.6f, 177},
    {"P-1 a = 12 at 0.6", {12, 12, 12, 90, 90, 90}, "P-1", 0.6f, 16700},
};

class DMinLimit : public ::testing::TestWithParam<OnTheLimit> {};

TEST_P(DMinLimit, CountsTheReflectionsOnIt) {
  const OnTheLimit& c = GetParam();
  PlanRequest q;
  q.command = PlanCommand::map;
  q.cell = c.cell;
  q.wavelength = 0.71073f;
  q.psi_max = 35;
  q.space_group = c.space_group;
  q.d_min = c.d_min;
  const PlanPreparation at = prepare_plan(q);
  ASSERT_TRUE(at.plan) << at.refusal->message;
  q.d_min = c.d_min * (1 - 2e-5f);  // just below: the same reflections, none on the edge
  const PlanPreparation below = prepare_plan(q);
  EXPECT_EQ(at.plan->set.reflections.size(), below.plan->set.reflections.size());
  EXPECT_EQ(at.plan->set.reflections.size(), c.unique);
  EXPECT_DOUBLE_EQ(at.plan->set.d_min, c.d_min);  // the shells keep the limit asked for
}

INSTANTIATE_TEST_SUITE_P(Cases, DMinLimit, ::testing::ValuesIn(LIMITS));

TEST(DMinLimit, TheOpeningsOwnLimitStaysExact) {
  PlanRequest q;
  q.command = PlanCommand::map;
  q.cell = {6, 6, 6, 90, 90, 90};
  q.wavelength = 0.71073f;
  q.psi_max = 35;
  q.space_group = "Pa-3";
  const PlanPreparation p = prepare_plan(q);
  ASSERT_TRUE(p.plan);
  EXPECT_EQ(p.plan->counted_d_min, p.plan->d_min);
}

}  // namespace
}  // namespace zirel::planning
