// The cell's description: what a crystallographer writes, and the messages a mistake gets.
#include <gtest/gtest.h>

#include "correction/dac_description.h"

namespace zirel::correction {
namespace {

struct Refused {
  const char* name;
  std::string toml;
  std::vector<KeyOverride> overrides;
  std::string message;  // a part of the message: the key, the line
};
// Named in the test list by what it is, not by its bytes.
void PrintTo(const Refused& c, std::ostream* os) { *os << c.name; }
class DacRefusal : public ::testing::TestWithParam<Refused> {};
TEST_P(DacRefusal, NamesTheKeyAndLine) {
  const DacRead r = read_dac_description(GetParam().toml, "cell.toml", GetParam().overrides);
  ASSERT_FALSE(r.dac);
  EXPECT_NE(r.error.find(GetParam().message), std::string::npos) << r.error;
}
INSTANTIATE_TEST_SUITE_P(
    Mistakes, DacRefusal,
    ::testing::Values(
        Refused{"no_height", "[seat]\nopening_deg = 38\n", {}, "anvil has no height"},
        Refused{"height_text", "[anvil]\nheight_mm = \"1.6\"\n", {}, "cell.toml:2: key anvil.height_mm must be a number"},
        Refused{"negative_height", "[anvil]\n\nheight_mm = -1\n", {}, "cell.toml:3: key anvil.height_mm = -1 mm"},
        Refused{"unknown_key", "[anvil]\nheight_mm = 1.6\nhieght = 2\n", {}, "cell.toml:3: unknown key anvil.hieght"},
        Refused{"opening_too_wide", "[anvil]\nheight_mm = 1.6\n[seat]\nopening_deg = 95\n", {},
                "cell.toml:4: key seat.opening_deg"},
        Refused{"side_name", "plus_side = \"left\"\n[anvil]\nheight_mm = 1.6\n", {}, "cell.toml:1: key plus_side"},
        Refused{"plate_incomplete", "[anvil]\nheight_mm = 1.6\n[backing_plate]\nmaterial = \"Be\"\n", {},
                "backing plate needs"},
        Refused{"syntax", "[anvil\nheight_mm = 1.6\n", {}, "cell.toml:1:"},
        Refused{"override_unknown", "[anvil]\nheight_mm = 1.6\n", {{"anvil.hight_mm", "2", "--set"}},
                "unknown key anvil.hight_mm"},
        Refused{"override_not_number", "", {{"anvil.height_mm", "thick", "--anvil-height"}},
                "key anvil.height_mm must be a number"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DacDescription, SideKeysOverTheCommonOnesAndOptionsOverTheFile) {
  const std::string toml =
      "plus_side = \"cylinder\"\n[anvil]\nheight_mm = 1.6\n[seat]\nmaterial = \"WC\"\nopening_deg = 38\n"
      "[piston.anvil]\nheight_mm = 1.8\n[piston.seat]\nopening_deg = 35\n";
  const DacRead r = read_dac_description(toml, "cell.toml", {{"cylinder.seat.opening_deg", "40", "--set"}});
  ASSERT_TRUE(r.dac) << r.error;
  EXPECT_EQ(r.dac->plus.name, "cylinder");
  EXPECT_EQ(r.dac->plus.anvil.thickness_mm, 1.6);
  EXPECT_EQ(r.dac->plus.anvil.material, "C");
  EXPECT_EQ(r.dac->plus.anvil.density_g_cm3, 3.515);
  EXPECT_EQ(r.dac->plus.opening_deg, 40);
  EXPECT_EQ(r.dac->minus.anvil.thickness_mm, 1.8);
  EXPECT_EQ(r.dac->minus.opening_deg, 35);
  EXPECT_EQ(r.dac->minus.seat_material, "WC");
}

TEST(DacDescription, BackingPlateWithoutApertureLimitsNothingButAbsorbs) {
  const DacRead r = read_dac_description(
      "[anvil]\nheight_mm = 1.5\n[backing_plate]\nmaterial = \"Be\"\ndensity_g_cm3 = 1.848\nthickness_mm = 3\n"
      "[piston.seat]\nopening_deg = 40\n",
      "be.toml", {});
  ASSERT_TRUE(r.dac) << r.error;
  EXPECT_EQ(r.dac->plus.opening_deg, 40);
  EXPECT_FALSE(r.dac->minus.opening_deg);
  ASSERT_TRUE(r.dac->minus.backing_plate);
  EXPECT_EQ(r.dac->minus.backing_plate->thickness_mm, 3);
}

}  // namespace
}  // namespace zirel::correction
