// Accessible unique reflections, the lookup of measured ones, and the shells.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include "planning/completeness.h"

namespace zirel::planning {
namespace {

// The example data's monoclinic crystal and two others, each with an axis.
struct OrientationCase {
  const char* group;
  UnitCell cell;
  AxisKind axis_kind;
  Vec3 axis;
  float wavelength;
  float psi_max;
  bool anomalous;
};
// Named in the test list by what it is, not by its bytes.
void PrintTo(const OrientationCase& c, std::ostream* os) {
  *os << c.group << (c.axis_kind == AxisKind::UVW ? " [" : " (") << c.axis[0] << ' ' << c.axis[1] << ' ' << c.axis[2]
      << (c.axis_kind == AxisKind::UVW ? "]" : ")") << (c.anomalous ? " anomalous" : "");
}

const OrientationCase ORIENTATIONS[] = {
    {"P21/c", {7.512f, 9.874f, 11.236f, 90.0f, 103.47f, 90.0f}, AxisKind::UVW, {0, 1, 0}, 0.7093f, 35.0f, false},
    {"P21/c", {7.512f, 9.874f, 11.236f, 90.0f, 103.47f, 90.0f}, AxisKind::HKL, {1, 0, 2}, 0.7093f, 40.0f, true},
    {"P b n m", {5.3f, 5.5f, 7.7f, 90.0f, 90.0f, 90.0f}, AxisKind::UVW, {1, 1, 0}, 0.56087f, 38.0f, false},
    {"P212121", {5.3f, 6.5f, 7.7f, 90.0f, 90.0f, 90.0f}, AxisKind::HKL, {1, 1, 1}, 0.71073f, 35.0f, true},
    {"R-3:R", {6.0f, 6.0f, 6.0f, 80.0f, 80.0f, 80.0f}, AxisKind::UVW, {1, 1, 1}, 0.71073f, 30.0f, false},
    {"Fd-3m", {5.431f, 5.431f, 5.431f, 90.0f, 90.0f, 90.0f}, AxisKind::UVW, {0, 0, 1}, 0.4f, 42.0f, false},
    {"P63", {6.0f, 6.0f, 9.0f, 90.0f, 90.0f, 120.0f}, AxisKind::UVW, {1, 0, 0}, 0.71073f, 35.0f, true},
};

RunSettings settings_of(const OrientationCase& c) {
  RunSettings s;
  s.cell = c.cell;
  s.wavelength = c.wavelength;
  s.psi_max = c.psi_max;
  s.axis_kind = c.axis_kind;
  s.axis = c.axis;
  return s;
}

class Orientation : public ::testing::TestWithParam<OrientationCase> {};

// The accessible set is what the generation run would write, reduced by symmetry:
// every generated accessible reflection belongs to a flagged unique reflection, and
// every flagged one has a generated accessible equivalent.
TEST_P(Orientation, AccessibleSetIsTheGenerationsOutputReduced) {
  const OrientationCase& c = GetParam();
  const RunSettings s = settings_of(c);
  std::string refusal;
  const Symmetry symmetry = *symmetry_of_space_group(c.group, c.cell, refusal);
  const CellMetric metric = build_metric(c.cell);
  const AccessibilityRun access = prepare_accessibility(s, metric);
  const UniqueSet set = unique_reflections(symmetry, metric, opening_d_min(c.wavelength, c.psi_max), c.anomalous);
  const std::vector<std::uint8_t> accessible = accessible_reflections(set, access);
  const ReflectionLookup lookup(set);

  std::set<int> reached;
  GenerationState generation = prepare_generation(s, metric);
  size_t generated = 0;
  while (const std::optional<Miller> m = next_generated_reflection(generation)) {
    ++generated;
    const int u = lookup.find(*m);
    if (symmetry.is_absent(*m)) {
      EXPECT_EQ(u, -1);
      continue;
    }
    ASSERT_GE(u, 0) << "generated but not in theory: " << m->h << ' ' << m->k << ' ' << m->l;
    if (is_accessible(access, m->h, m->k, m->l) == Accessibility::Accessible)
      reached.insert(u);
  }
  size_t flagged = 0;
  for (size_t u = 0; u < accessible.size(); ++u) {
    flagged += accessible[u];
    EXPECT_EQ(accessible[u] != 0, reached.count(static_cast<int>(u)) == 1) << "unique reflection " << u;
  }
  EXPECT_EQ(flagged, reached.size());
  EXPECT_GT(flagged, 0u);
  EXPECT_LT(flagged, set.reflections.size());
  EXPECT_GE(generated, set.equivalents.size());
}

INSTANTIATE_TEST_SUITE_P(Cases, Orientation, ::testing::ValuesIn(ORIENTATIONS));

TEST(OpeningDMin, IsTheGenerationsOwnLimitToTheLastBit) {
  const float wavelengths[] = {0.7093f, 0.71073f, 0.56087f, 0.2903f, 1.5406f};
  const float psi[] = {1.0f, 20.0f, 35.0f, 40.0f, 45.5f, 89.9f};
  for (const float lambda : wavelengths)
    for (const float p : psi) {
      const float d = static_cast<float>(opening_d_min(lambda, p));
      const float half = lambda / 2.0f;
      auto within = [&](float x) { return std::asin(half / x) * (DEG_PER_RAD * 2.0f) <= p * 2.0f; };
      EXPECT_TRUE(within(d)) << lambda << ' ' << p;
      EXPECT_FALSE(within(std::nextafter(d, 0.0f))) << lambda << ' ' << p;
      EXPECT_NEAR(d, lambda / (2.0 * std::sin(p * 0.017453292519943295)), 1e-5 * d);
    }
  EXPECT_FLOAT_EQ(static_cast<float>(opening_d_min(0.7093f, 90.0f)), 0.7093f / 2.0f);
  EXPECT_EQ(opening_d_min(0.0f, 35.0f), 0.0);
  EXPECT_EQ(opening_d_min(0.7093f, 0.0f), 0.0);
}

struct SetFixture {
  Symmetry symmetry;
  CellMetric metric;
  UniqueSet set;
};

SetFixture monoclinic(double d_min, bool anomalous) {
  const UnitCell cell{7.512f, 9.874f, 11.236f, 90.0f, 103.47f, 90.0f};
  std::string refusal;
  SetFixture f{*symmetry_of_space_group("P21", cell, refusal), build_metric(cell), {}};
  f.set = unique_reflections(f.symmetry, f.metric, d_min, anomalous);
  return f;
}

TEST(ReflectionLookup, FindsEveryEquivalentAndNothingElse) {
  for (const bool anomalous : {false, true}) {
    const SetFixture f = monoclinic(0.8, anomalous);
    const ReflectionLookup lookup(f.set);
    std::set<std::tuple<int, int, int>> members;
    for (size_t u = 0; u < f.set.reflections.size(); ++u) {
      const UniqueReflection& r = f.set.reflections[u];
      for (int i = 0; i < r.equivalent_count; ++i) {
        const Miller& m = f.set.equivalents[static_cast<size_t>(r.first_equivalent + i)];
        ASSERT_EQ(lookup.find(m), static_cast<int>(u));
        members.insert({m.h, m.k, m.l});
      }
    }
    for (int h = -12; h <= 12; ++h)
      for (int k = -14; k <= 14; ++k)
        for (int l = -16; l <= 16; ++l)
          if (!members.count({h, k, l})) {
            ASSERT_EQ(lookup.find(Miller{h, k, l}), -1) << h << ' ' << k << ' ' << l;
          }
    for (const Miller far : {Miller{1 << 20, 0, 0}, Miller{0, -(1 << 20) - 1, 0}, Miller{0, 0, 2000000000}})
      EXPECT_EQ(lookup.find(far), -1);
  }
}

TEST(Measurement, CountsRecordsByUniqueReflectionAbsenceAndResolution) {
  const SetFixture f = monoclinic(0.8, false);
  const ReflectionLookup lookup(f.set);
  Measurement m = empty_measurement(f.set);
  // 1 2 3 and its equivalents -1 2 -3 (the twofold) and -1 -2 -3 (Friedel) are one reflection.
  for (const Miller hkl : {Miller{1, 2, 3}, Miller{-1, 2, -3}, Miller{-1, -2, -3}, Miller{1, 2, 3}, Miller{0, 3, 0},
                           Miller{0, 2, 0}, Miller{30, 0, 0}})
    add_observation(m, lookup, f.symmetry, hkl);
  EXPECT_EQ(m.records, 7);
  EXPECT_EQ(m.absent, 1);  // 0 3 0: the 2-fold screw
  EXPECT_EQ(m.beyond, 1);  // 30 0 0: d = 0.24 A
  EXPECT_EQ(m.observations[static_cast<size_t>(lookup.find({1, 2, 3}))], 4);
  EXPECT_EQ(m.observations[static_cast<size_t>(lookup.find({0, 2, 0}))], 1);

  // Anomalous: the Friedel mate is a reflection of its own.
  const SetFixture a = monoclinic(0.8, true);
  const ReflectionLookup anomalous_lookup(a.set);
  EXPECT_NE(anomalous_lookup.find({1, 2, 3}), anomalous_lookup.find({-1, -2, -3}));
  EXPECT_EQ(anomalous_lookup.find({1, 2, 3}), anomalous_lookup.find({-1, 2, -3}));
  // h0l is centric in P21: h0l and -h0-l stay one reflection.
  EXPECT_EQ(anomalous_lookup.find({1, 0, 3}), anomalous_lookup.find({-1, 0, -3}));
}

TEST(CompletenessTable, ShellsHaveEqualVolumesAndAddUp) {
  const SetFixture f = monoclinic(0.7, false);
  std::vector<std::uint8_t> accessible(f.set.reflections.size());
  for (size_t i = 0; i < accessible.size(); ++i)
    accessible[i] = i % 3 == 0;
  Measurement m = empty_measurement(f.set);
  for (size_t i = 0; i < m.observations.size(); i += 2)
    m.observations[i] = 3;
  for (const int n : {1, 4, 10, 20}) {
    const CompletenessTable t = completeness_table(f.set, accessible, &m, n);
    ASSERT_EQ(t.shells.size(), static_cast<size_t>(n));
    ShellCounts sum;
    for (size_t i = 0; i < t.shells.size(); ++i) {
      const ShellCounts& s = t.shells[i];
      sum.theory += s.theory;
      sum.accessible += s.accessible;
      sum.measured += s.measured;
      sum.measured_accessible += s.measured_accessible;
      sum.observations += s.observations;
      // Equal volumes hold about equal numbers of reflections.
      EXPECT_NEAR(static_cast<double>(s.theory), static_cast<double>(f.set.reflections.size()) / n,
                  0.1 * static_cast<double>(f.set.reflections.size()) / n + 15);
      // Neighbouring shells meet; the volumes of the spheres grow in equal steps.
      if (i > 0) {
        EXPECT_DOUBLE_EQ(s.d_max, t.shells[i - 1].d_min);
      }
      EXPECT_NEAR(std::pow(0.7 / s.d_min, 3), (i + 1.0) / n, 1e-12);
    }
    EXPECT_DOUBLE_EQ(t.shells.back().d_min, 0.7);
    EXPECT_EQ(sum.theory, t.overall.theory);
    EXPECT_EQ(sum.accessible, t.overall.accessible);
    EXPECT_EQ(sum.measured, t.overall.measured);
    EXPECT_EQ(sum.measured_accessible, t.overall.measured_accessible);
    EXPECT_EQ(sum.observations, t.overall.observations);
    EXPECT_EQ(t.overall.theory, static_cast<std::int64_t>(f.set.reflections.size()));
    EXPECT_EQ(t.overall.observations, 3 * t.overall.measured);
  }
}

TEST(CompletenessTable, PutsEachReflectionInTheShellOfItsD) {
  const SetFixture f = monoclinic(0.9, false);
  const std::vector<std::uint8_t> none(f.set.reflections.size(), 0);
  const CompletenessTable t = completeness_table(f.set, none, nullptr, 5);
  std::vector<std::int64_t> counts(5, 0);
  double largest = 0;
  for (const UniqueReflection& u : f.set.reflections) {
    largest = std::max(largest, double(u.d));
    for (size_t i = 0; i < 5; ++i)
      if (u.d > t.shells[i].d_min || (i == 4 && u.d >= t.shells[i].d_min)) {
        EXPECT_LE(u.d, i == 0 ? INFINITY : t.shells[i].d_max);
        ++counts[i];
        break;
      }
  }
  for (size_t i = 0; i < 5; ++i)
    EXPECT_EQ(counts[i], t.shells[i].theory) << "shell " << i;
  EXPECT_DOUBLE_EQ(t.shells.front().d_max, largest);
  EXPECT_DOUBLE_EQ(t.overall.d_max, largest);
  EXPECT_EQ(t.overall.measured, 0);
}

}  // namespace
}  // namespace zirel::planning
