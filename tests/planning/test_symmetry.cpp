// Space groups and Laue classes as people type them, and the refusals of names
// that are none.
#include <gtest/gtest.h>

#include "filtering/cell_metric.h"
#include "planning/symmetry.h"

namespace zirel::planning {
namespace {

constexpr UnitCell HEXAGONAL_AXES{6.0f, 6.0f, 14.0f, 90.0f, 90.0f, 120.0f};
constexpr UnitCell RHOMBOHEDRAL_AXES{6.0f, 6.0f, 6.0f, 80.0f, 80.0f, 80.0f};

struct NameCase {
  const char* typed;
  UnitCell cell;
  int number;
  const char* laue;
  const char* point_group;
  const char* setting;
  size_t rotations;
};
void PrintTo(const NameCase& c, std::ostream* os) { *os << c.typed; }

const NameCase NAMES[] = {
    {"P21/c", HEXAGONAL_AXES, 14, "2/m", "2/m", "unique axis b", 4},
    {"P 1 21/c 1", HEXAGONAL_AXES, 14, "2/m", "2/m", "unique axis b", 4},
    {"p21/n", HEXAGONAL_AXES, 14, "2/m", "2/m", "unique axis b", 4},
    {"  P 1 21/n 1 ", HEXAGONAL_AXES, 14, "2/m", "2/m", "unique axis b", 4},
    {"P 1 1 21/b", HEXAGONAL_AXES, 14, "2/m", "2/m", "unique axis c", 4},
    {"P2_1/c", HEXAGONAL_AXES, 14, "2/m", "2/m", "unique axis b", 4},
    {"P2(1)2(1)2(1)", HEXAGONAL_AXES, 19, "mmm", "222", "", 4},
    {"14", HEXAGONAL_AXES, 14, "2/m", "2/m", "unique axis b", 4},
    {"I2/a", HEXAGONAL_AXES, 15, "2/m", "2/m", "unique axis b", 4},
    {"P2", HEXAGONAL_AXES, 3, "2/m", "2", "unique axis b", 2},
    {"Pbca", HEXAGONAL_AXES, 61, "mmm", "mmm", "", 8},
    {"P b n m", HEXAGONAL_AXES, 62, "mmm", "mmm", "", 8},
    {"P212121", HEXAGONAL_AXES, 19, "mmm", "222", "", 4},
    {"R-3:H", RHOMBOHEDRAL_AXES, 148, "-3", "-3", "hexagonal axes", 6},
    {"R-3:R", HEXAGONAL_AXES, 148, "-3", "-3", "rhombohedral axes", 6},
    {"R-3", HEXAGONAL_AXES, 148, "-3", "-3", "hexagonal axes", 6},
    {"R-3", RHOMBOHEDRAL_AXES, 148, "-3", "-3", "rhombohedral axes", 6},
    {"H3", HEXAGONAL_AXES, 146, "-3", "3", "hexagonal axes", 3},
    {"P-3m1", HEXAGONAL_AXES, 164, "-3m", "-3m", "-3m1", 12},
    {"P-31m", HEXAGONAL_AXES, 162, "-3m", "-3m", "-31m", 12},
    {"P3112", HEXAGONAL_AXES, 151, "-3m", "32", "-31m", 6},
    {"P6522", HEXAGONAL_AXES, 179, "6/mmm", "622", "", 12},
    {"Fd-3m", HEXAGONAL_AXES, 227, "m-3m", "m-3m", "origin choice 1", 48},
    {"F d -3 m:2", HEXAGONAL_AXES, 227, "m-3m", "m-3m", "origin choice 2", 48},
    {"230", HEXAGONAL_AXES, 230, "m-3m", "m-3m", "", 48},
    {"1", HEXAGONAL_AXES, 1, "-1", "1", "", 1},
};

class SpaceGroupName : public ::testing::TestWithParam<NameCase> {};

TEST_P(SpaceGroupName, IsUnderstood) {
  const NameCase& c = GetParam();
  std::string refusal;
  const std::optional<Symmetry> s = symmetry_of_space_group(c.typed, c.cell, refusal);
  ASSERT_TRUE(s) << c.typed << ": " << refusal;
  EXPECT_EQ(s->space_group_number, c.number);
  EXPECT_EQ(s->laue_class, c.laue);
  EXPECT_EQ(s->point_group, c.point_group);
  EXPECT_EQ(s->setting, c.setting);
  EXPECT_EQ(s->rotations.size(), c.rotations);
  EXPECT_FALSE(s->from_laue_class);
  EXPECT_EQ(s->rotations.front(), (HklRotation{{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}}));
}

INSTANTIATE_TEST_SUITE_P(Typed, SpaceGroupName, ::testing::ValuesIn(NAMES));

TEST(SpaceGroupName, UnknownNamesAreRefusedWithHowToWriteOne) {
  for (const char* typed : {"P21c", "", "  ", "0", "231", "1014", "X1", "P 21/q", "-1", "14a"}) {
    std::string refusal;
    EXPECT_FALSE(symmetry_of_space_group(typed, HEXAGONAL_AXES, refusal)) << typed;
    EXPECT_NE(refusal.find("unknown space group"), std::string::npos) << refusal;
    EXPECT_NE(refusal.find(SPACE_GROUP_HINT), std::string::npos) << refusal;
  }
}

TEST(SpaceGroup, KnowsItsSystematicAbsences) {
  std::string refusal;
  const Symmetry p21c = *symmetry_of_space_group("P21/c", HEXAGONAL_AXES, refusal);
  // 0k0 with k odd (the screw), h0l with l odd (the glide).
  EXPECT_TRUE(p21c.is_absent({0, 1, 0}));
  EXPECT_FALSE(p21c.is_absent({0, 2, 0}));
  EXPECT_TRUE(p21c.is_absent({1, 0, 1}));
  EXPECT_FALSE(p21c.is_absent({1, 0, 2}));
  EXPECT_FALSE(p21c.is_absent({1, 1, 1}));
  const Symmetry fm3m = *symmetry_of_space_group("Fm-3m", HEXAGONAL_AXES, refusal);
  EXPECT_TRUE(fm3m.is_absent({1, 0, 0}));
  EXPECT_TRUE(fm3m.is_absent({1, 1, 0}));
  EXPECT_FALSE(fm3m.is_absent({1, 1, 1}));
  EXPECT_FALSE(fm3m.is_absent({2, 0, 0}));
}

TEST(SpaceGroup, KnowsCentricReflections) {
  std::string refusal;
  const Symmetry p2 = *symmetry_of_space_group("P2", HEXAGONAL_AXES, refusal);
  EXPECT_TRUE(p2.is_centric({1, 0, 2}));  // h0l: the twofold turns it into -h0-l
  EXPECT_FALSE(p2.is_centric({1, 1, 2}));
  EXPECT_FALSE(p2.centrosymmetric);
}

struct FitCase {
  const char* group;
  UnitCell cell;
  bool fits;
  const char* conditions;
};
// Named in the test list by what it is, not by its bytes.
void PrintTo(const FitCase& c, std::ostream* os) {
  *os << c.group << (c.fits ? " fits " : " does not fit ") << c.cell.a << ' ' << c.cell.b << ' ' << c.cell.c << ' '
      << c.cell.alpha << ' ' << c.cell.beta << ' ' << c.cell.gamma;
}

const FitCase FITS[] = {
    {"P-1", {5.1f, 6.2f, 7.3f, 80.0f, 95.0f, 100.0f}, true, "any cell"},
    {"P21/c", {7.512f, 9.874f, 11.236f, 90.0f, 103.47f, 90.0f}, true, "alpha = gamma = 90"},
    {"P21/c", {7.512f, 9.874f, 11.236f, 90.0f, 90.0f, 103.47f}, false, "alpha = gamma = 90"},
    {"P 1 1 21/b", {7.512f, 9.874f, 11.236f, 90.0f, 90.0f, 103.47f}, true, "alpha = beta = 90"},
    {"P 21/b 1 1", {7.512f, 9.874f, 11.236f, 103.47f, 90.0f, 90.0f}, true, "beta = gamma = 90"},
    {"Pbca", {5.0f, 6.0f, 7.0f, 90.0f, 90.0f, 90.0f}, true, "alpha = beta = gamma = 90"},
    {"Pbca", {5.0f, 6.0f, 7.0f, 90.0f, 91.0f, 90.0f}, false, "alpha = beta = gamma = 90"},
    {"P4/mmm", {6.0f, 6.0f, 8.0f, 90.0f, 90.0f, 90.0f}, true, "a = b, alpha = beta = gamma = 90"},
    // Rounded for typing: 0.02 % in an edge and 0.05 degree in an angle still pass.
    {"P4/mmm", {6.0f, 6.001f, 8.0f, 90.05f, 90.0f, 90.0f}, true, "a = b, alpha = beta = gamma = 90"},
    {"P4/mmm", {6.0f, 6.1f, 8.0f, 90.0f, 90.0f, 90.0f}, false, "a = b, alpha = beta = gamma = 90"},
    {"P63/mmc", {6.0f, 6.0f, 8.0f, 90.0f, 90.0f, 120.0f}, true, "a = b, alpha = beta = 90, gamma = 120"},
    {"P63/mmc", {6.0f, 6.0f, 8.0f, 90.0f, 90.0f, 90.0f}, false, "a = b, alpha = beta = 90, gamma = 120"},
    {"R-3m:H", {6.0f, 6.0f, 14.0f, 90.0f, 90.0f, 120.0f}, true, "a = b, alpha = beta = 90, gamma = 120"},
    {"R-3m:R", {6.0f, 6.0f, 6.0f, 80.0f, 80.0f, 80.0f}, true, "a = b = c, alpha = beta = gamma"},
    {"R-3m:R", {6.0f, 6.0f, 6.0f, 80.0f, 80.0f, 82.0f}, false, "a = b = c, alpha = beta = gamma"},
    {"Fm-3m", {5.641087f, 5.641087f, 5.641087f, 90.0f, 90.0f, 90.0f}, true, "a = b = c, alpha = beta = gamma = 90"},
    {"Pa-3", {5.6f, 5.7f, 5.6f, 90.0f, 90.0f, 90.0f}, false, "a = b = c, alpha = beta = gamma = 90"},
};

class CellOfTheSymmetry : public ::testing::TestWithParam<FitCase> {};

TEST_P(CellOfTheSymmetry, FitsOrNot) {
  const FitCase& c = GetParam();
  std::string refusal;
  const Symmetry s = *symmetry_of_space_group(c.group, c.cell, refusal);
  const double misfit = symmetry_misfit(s, build_metric(c.cell).g_star);
  if (c.fits)
    EXPECT_LT(misfit, 2e-3) << c.group;
  else
    EXPECT_GT(misfit, 5e-3) << c.group;
  EXPECT_EQ(cell_conditions(s), c.conditions);
}

INSTANTIATE_TEST_SUITE_P(Cells, CellOfTheSymmetry, ::testing::ValuesIn(FITS));

struct LaueCase {
  const char* typed;
  const char* laue;
  const char* setting;
  size_t rotations;
};
void PrintTo(const LaueCase& c, std::ostream* os) { *os << c.typed; }

const LaueCase LAUE[] = {
    {"-1", "-1", "", 2},           {"2/m", "2/m", "unique axis b", 4},   {"2/m:b", "2/m", "unique axis b", 4},
    {"2/m:c", "2/m", "unique axis c", 4}, {"1 1 2/m", "2/m", "unique axis c", 4},
    {"2/m:a", "2/m", "unique axis a", 4}, {"mmm", "mmm", "", 8},       {"4/m", "4/m", "", 8},
    {"4/mmm", "4/mmm", "", 16},     {"-3", "-3", "", 6},                 {"-3:r", "-3", "rhombohedral axes", 6},
    {"-3m1", "-3m", "-3m1", 12},   {"-3 1 m", "-3m", "-31m", 12},       {"-3m:R", "-3m", "rhombohedral axes", 12},
    {"6/m", "6/m", "", 12},        {"6/mmm", "6/mmm", "", 24},          {"m-3", "m-3", "", 24},
    {"m3", "m-3", "", 24},         {"m-3m", "m-3m", "", 48},            {"m3m", "m-3m", "", 48},
};

class LaueClassSymbol : public ::testing::TestWithParam<LaueCase> {};

TEST_P(LaueClassSymbol, IsUnderstood) {
  const LaueCase& c = GetParam();
  std::string refusal;
  const std::optional<Symmetry> s = symmetry_of_laue_class(c.typed, refusal);
  ASSERT_TRUE(s) << c.typed << ": " << refusal;
  EXPECT_EQ(s->laue_class, c.laue);
  EXPECT_EQ(s->point_group, c.laue);
  EXPECT_EQ(s->setting, c.setting);
  EXPECT_EQ(s->rotations.size(), c.rotations);
  EXPECT_TRUE(s->from_laue_class);
  EXPECT_TRUE(s->centrosymmetric);
  EXPECT_EQ(s->space_group_number, 0);
  // Nothing is absent for a Laue class alone.
  for (const Miller m : {Miller{1, 0, 0}, Miller{0, 1, 0}, Miller{0, 0, 1}, Miller{1, 1, 1}, Miller{1, 0, 1}})
    EXPECT_FALSE(s->is_absent(m));
}

INSTANTIATE_TEST_SUITE_P(Typed, LaueClassSymbol, ::testing::ValuesIn(LAUE));

TEST(LaueClassSymbol, UnknownOrAmbiguousSymbolsAreRefused) {
  std::string refusal;
  EXPECT_FALSE(symmetry_of_laue_class("-3m", refusal));
  EXPECT_NE(refusal.find("-3m1 or -31m"), std::string::npos) << refusal;
  for (const char* typed : {"2/c", "", "P21/c", "4mm", "622"}) {
    EXPECT_FALSE(symmetry_of_laue_class(typed, refusal)) << typed;
    EXPECT_NE(refusal.find(LAUE_CLASS_HINT), std::string::npos) << refusal;
  }
}

}  // namespace
}  // namespace zirel::planning
