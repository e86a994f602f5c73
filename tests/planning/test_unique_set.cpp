// The unique reflections against orbits counted by brute force, for space groups of
// every Laue class in standard and other settings, with and without anomalous.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <set>
#include "brute_force.h"
#include "planning/unique_set.h"

namespace zirel::planning {
namespace {

using testing::BruteForceCase;
using testing::Orbit;

constexpr UnitCell TRICLINIC{5.1f, 6.2f, 7.3f, 80.0f, 95.0f, 100.0f};
constexpr UnitCell MONOCLINIC_B{6.0f, 7.0f, 8.0f, 90.0f, 103.0f, 90.0f};
constexpr UnitCell MONOCLINIC_C{6.0f, 7.0f, 8.0f, 90.0f, 90.0f, 110.0f};
constexpr UnitCell MONOCLINIC_A{6.0f, 7.0f, 8.0f, 97.0f, 90.0f, 90.0f};
constexpr UnitCell ORTHORHOMBIC{5.0f, 6.0f, 7.0f, 90.0f, 90.0f, 90.0f};
constexpr UnitCell TETRAGONAL{6.0f, 6.0f, 8.0f, 90.0f, 90.0f, 90.0f};
constexpr UnitCell HEXAGONAL{6.0f, 6.0f, 8.0f, 90.0f, 90.0f, 120.0f};
constexpr UnitCell RHOMBOHEDRAL{6.0f, 6.0f, 6.0f, 80.0f, 80.0f, 80.0f};
constexpr UnitCell CUBIC{7.0f, 7.0f, 7.0f, 90.0f, 90.0f, 90.0f};

struct GroupCase {
  const char* name;  // as a user types it, and as gemmi's brute force reads it
  UnitCell cell;
  const char* laue;
};
// Named by what a reader of the test list knows it by, not by its bytes.
void PrintTo(const GroupCase& c, std::ostream* os) { *os << c.name; }

// 45 groups: all 11 Laue classes, centred lattices, glides and screws, and the
// settings people use besides the standard ones.
const GroupCase GROUPS[] = {
    {"P1", TRICLINIC, "-1"},           {"P-1", TRICLINIC, "-1"},
    {"P2", MONOCLINIC_B, "2/m"},       {"C2", MONOCLINIC_B, "2/m"},
    {"Pc", MONOCLINIC_B, "2/m"},       {"P21/c", MONOCLINIC_B, "2/m"},
    {"P 1 21/n 1", MONOCLINIC_B, "2/m"}, {"C2/c", MONOCLINIC_B, "2/m"},
    {"I 1 2/a 1", MONOCLINIC_B, "2/m"}, {"P 1 1 21/b", MONOCLINIC_C, "2/m"},
    {"P 21/b 1 1", MONOCLINIC_A, "2/m"}, {"P212121", ORTHORHOMBIC, "mmm"},
    {"C2221", ORTHORHOMBIC, "mmm"},    {"Pmn21", ORTHORHOMBIC, "mmm"},
    {"Pbca", ORTHORHOMBIC, "mmm"},     {"Pnma", ORTHORHOMBIC, "mmm"},
    {"P b n m", ORTHORHOMBIC, "mmm"},  {"Fddd", ORTHORHOMBIC, "mmm"},
    {"Ibam", ORTHORHOMBIC, "mmm"},     {"P4", TETRAGONAL, "4/m"},
    {"P-4", TETRAGONAL, "4/m"},        {"I41/a", TETRAGONAL, "4/m"},
    {"P41212", TETRAGONAL, "4/mmm"},   {"P-421c", TETRAGONAL, "4/mmm"},
    {"P4/mmm", TETRAGONAL, "4/mmm"},   {"I41/amd", TETRAGONAL, "4/mmm"},
    {"P3", HEXAGONAL, "-3"},           {"R3:H", HEXAGONAL, "-3"},
    {"R-3:H", HEXAGONAL, "-3"},        {"R-3:R", RHOMBOHEDRAL, "-3"},
    {"P312", HEXAGONAL, "-3m"},        {"P3121", HEXAGONAL, "-3m"},
    {"P-31m", HEXAGONAL, "-3m"},       {"P-3m1", HEXAGONAL, "-3m"},
    {"R-3m:H", HEXAGONAL, "-3m"},      {"R3c:R", RHOMBOHEDRAL, "-3m"},
    {"P63", HEXAGONAL, "6/m"},         {"P-6", HEXAGONAL, "6/m"},
    {"P6/m", HEXAGONAL, "6/m"},        {"P6322", HEXAGONAL, "6/mmm"},
    {"P-62c", HEXAGONAL, "6/mmm"},     {"P63/mmc", HEXAGONAL, "6/mmm"},
    {"P213", CUBIC, "m-3"},            {"Pa-3", CUBIC, "m-3"},
    {"Im-3", CUBIC, "m-3"},            {"P4332", CUBIC, "m-3m"},
    {"I-43m", CUBIC, "m-3m"},          {"Fm-3m", CUBIC, "m-3m"},
    {"Fd-3m", CUBIC, "m-3m"},          {"Ia-3d", CUBIC, "m-3m"},
};

std::vector<Orbit> orbits_of(const UniqueSet& set) {
  std::vector<Orbit> orbits;
  for (const UniqueReflection& u : set.reflections) {
    Orbit& orbit = orbits.emplace_back();
    for (int i = 0; i < u.equivalent_count; ++i) {
      const Miller& m = set.equivalents[static_cast<size_t>(u.first_equivalent + i)];
      orbit.push_back({m.h, m.k, m.l});
    }
  }
  testing::sort_orbits(orbits);
  return orbits;
}

// A resolution that gives some 600 unique reflections, whatever the group's order.
double d_min_for(const Symmetry& symmetry, const UnitCell& cell) {
  const double sphere = 600.0 * 2.0 * static_cast<double>(symmetry.rotations.size());
  return std::cbrt(sphere_reflection_estimate(build_metric(cell), 1.0) / sphere);
}

// The same orbits, each once, and every representative in the asymmetric unit
// with the d-spacing of its own indices.
void expect_same_as_brute_force(const Symmetry& symmetry, const BruteForceCase& c) {
  const CellMetric metric = build_metric(c.cell);
  const UniqueSet set = unique_reflections(symmetry, metric, c.d_min, c.anomalous);
  const std::vector<Orbit> expected = testing::brute_force_orbits(c);
  ASSERT_GT(expected.size(), 150u);
  EXPECT_EQ(set.reflections.size(), expected.size());
  EXPECT_TRUE(orbits_of(set) == expected) << "the equivalents differ from the brute-force orbits";
  for (const UniqueReflection& u : set.reflections) {
    const Miller& first = set.equivalents[static_cast<size_t>(u.first_equivalent)];
    ASSERT_EQ(first, u.hkl) << "the representative comes first";
    if (!c.anomalous || symmetry.centrosymmetric || symmetry.is_centric(u.hkl))
      ASSERT_TRUE(symmetry.in_asu(u.hkl)) << u.hkl.h << ' ' << u.hkl.k << ' ' << u.hkl.l;
    else
      ASSERT_TRUE(symmetry.in_asu(u.hkl) != symmetry.in_asu(Miller{-u.hkl.h, -u.hkl.k, -u.hkl.l}));
    ASSERT_EQ(u.d, d_spacing(metric, Vec3{float(u.hkl.h), float(u.hkl.k), float(u.hkl.l)}));
  }
}

class UniqueSetOfGroup : public ::testing::TestWithParam<std::tuple<GroupCase, bool>> {};

TEST_P(UniqueSetOfGroup, MatchesOrbitsCountedByBruteForce) {
  const auto& [group, anomalous] = GetParam();
  std::string refusal;
  const std::optional<Symmetry> symmetry = symmetry_of_space_group(group.name, group.cell, refusal);
  ASSERT_TRUE(symmetry) << refusal;
  EXPECT_EQ(symmetry->laue_class, group.laue);
  expect_same_as_brute_force(*symmetry, BruteForceCase{group.name, group.cell, d_min_for(*symmetry, group.cell), anomalous});
}

std::string group_test_name(const ::testing::TestParamInfo<std::tuple<GroupCase, bool>>& info) {
  std::string name;
  for (const char c : std::string(std::get<0>(info.param).name))
    name += std::isalnum(static_cast<unsigned char>(c)) ? c : c == '-' ? 'm' : c == '/' ? 's' : c == ':' ? 'x' : '_';
  return name + (std::get<1>(info.param) ? "_anomalous" : "");
}

INSTANTIATE_TEST_SUITE_P(Groups, UniqueSetOfGroup,
                         ::testing::Combine(::testing::ValuesIn(GROUPS), ::testing::Bool()), group_test_name);

// A Laue class alone: the orbits of a space group of that class with Friedel mates
// joined and nothing absent, in each setting a Laue symbol can name.
struct LaueCase {
  const char* symbol;
  const char* group;  // a space group of the class and setting, for the brute force
  UnitCell cell;
};
// Named by what a reader of the test list knows it by, not by its bytes.
void PrintTo(const LaueCase& c, std::ostream* os) { *os << c.symbol << " (" << c.group << ")"; }

const LaueCase LAUE_CASES[] = {
    {"-1", "P1", TRICLINIC},          {"2/m", "P21", MONOCLINIC_B},     {"2/m:c", "P 1 1 21", MONOCLINIC_C},
    {"2/m:a", "P 21 1 1", MONOCLINIC_A}, {"mmm", "P212121", ORTHORHOMBIC}, {"4/m", "I4", TETRAGONAL},
    {"4/mmm", "P41212", TETRAGONAL},  {"-3", "P31", HEXAGONAL},         {"-3:R", "R3:R", RHOMBOHEDRAL},
    {"-3m1", "P3121", HEXAGONAL},     {"-31m", "P3112", HEXAGONAL},     {"-3m:R", "R32:R", RHOMBOHEDRAL},
    {"6/m", "P61", HEXAGONAL},        {"6/mmm", "P6122", HEXAGONAL},    {"m-3", "P213", CUBIC},
    {"m-3m", "F4132", CUBIC},
};

class UniqueSetOfLaueClass : public ::testing::TestWithParam<std::tuple<LaueCase, bool>> {};

TEST_P(UniqueSetOfLaueClass, MatchesOrbitsOfTheClassWithoutAbsences) {
  const auto& [laue, anomalous] = GetParam();
  std::string refusal;
  const std::optional<Symmetry> symmetry = symmetry_of_laue_class(laue.symbol, refusal);
  ASSERT_TRUE(symmetry) << refusal;
  // A Laue class knows no Friedel-mate difference: anomalous changes nothing.
  const double d_min = d_min_for(*symmetry, laue.cell);
  expect_same_as_brute_force(*symmetry, BruteForceCase{laue.group, laue.cell, d_min, false, false});
  if (anomalous) {
    const CellMetric metric = build_metric(laue.cell);
    EXPECT_EQ(unique_reflections(*symmetry, metric, d_min, true).reflections.size(),
              unique_reflections(*symmetry, metric, d_min, false).reflections.size());
  }
}

std::string laue_test_name(const ::testing::TestParamInfo<std::tuple<LaueCase, bool>>& info) {
  return group_test_name({{GroupCase{std::get<0>(info.param).symbol, {}, ""}, std::get<1>(info.param)}, info.index});
}

INSTANTIATE_TEST_SUITE_P(LaueClasses, UniqueSetOfLaueClass,
                         ::testing::Combine(::testing::ValuesIn(LAUE_CASES), ::testing::Bool()), laue_test_name);

TEST(UniqueSet, IsEmptyForASingularCellOrNoResolution) {
  std::string refusal;
  const Symmetry p1 = *symmetry_of_space_group("P1", CUBIC, refusal);
  EXPECT_TRUE(unique_reflections(p1, build_metric(UnitCell{}), 1.0, false).reflections.empty());
  EXPECT_TRUE(unique_reflections(p1, build_metric(CUBIC), 0.0, false).reflections.empty());
  EXPECT_TRUE(unique_reflections(p1, build_metric(CUBIC), -1.0, false).reflections.empty());
}

TEST(UniqueSet, AnEstimateOfTheSphereIsCloseToTheCount) {
  std::string refusal;
  const Symmetry p1 = *symmetry_of_space_group("P1", TRICLINIC, refusal);
  const CellMetric metric = build_metric(TRICLINIC);
  const UniqueSet set = unique_reflections(p1, metric, 0.7, false);
  // P1 with Friedel mates: every reflection of the sphere is one equivalent.
  const double estimate = sphere_reflection_estimate(metric, 0.7);
  EXPECT_NEAR(static_cast<double>(set.equivalents.size()), estimate, estimate * 0.02);
}

}  // namespace
}  // namespace zirel::planning
