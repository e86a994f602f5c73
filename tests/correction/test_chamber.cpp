// The gasket and the crystal in the cell's description, and their factor joined to the
// flat layers': what a crystallographer writes, what a mistake gets, and T = T_flat V.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include "correction/attenuation.h"
#include "correction/dac_description.h"
#include "correction/prepare_correction.h"
#include "correction/reflection_correction.h"
#include "correction/volume/shadow_angles.h"
#include "correction/volume/volume_average.h"
#include "tests/correction/mo_run.h"

namespace zirel::correction {
namespace {

const std::string ANVILS = "[anvil]\nheight_mm = 1.6\n[seat]\nopening_deg = 38\n";
const std::string STEEL = "[gasket]\nmaterial = \"Fe\"\ndensity_g_cm3 = 7.874\nthickness_mm = 0.08\nhole_diameter_mm = 0.15\n";
const std::string PLATE = "[crystal]\nlies_on = \"cylinder\"\ndiameter_mm = 0.06\nthickness_mm = 0.02\n";

struct Refused {
  const char* name;
  std::string toml;
  std::string message;  // a part of it: the key, the line
};
void PrintTo(const Refused& c, std::ostream* os) { *os << c.name; }
class ChamberRefusal : public ::testing::TestWithParam<Refused> {};
TEST_P(ChamberRefusal, NamesTheKeyAndLine) {
  const DacRead r = read_dac_description(ANVILS + GetParam().toml, "cell.toml", {});
  ASSERT_FALSE(r.dac);
  EXPECT_NE(r.error.find(GetParam().message), std::string::npos) << r.error;
}
INSTANTIATE_TEST_SUITE_P(
    Mistakes, ChamberRefusal,
    ::testing::Values(
        Refused{"gasket_without_hole", "[gasket]\nopaque = true\nthickness_mm = 0.08\n", "gasket needs hole_diameter_mm"},
        Refused{"gasket_thickness_text", "[gasket]\nopaque = true\nthickness_mm = \"thin\"\n",
                "cell.toml:7: key gasket.thickness_mm must be a number"},
        Refused{"gasket_negative_hole", "[gasket]\nopaque = true\nthickness_mm = 0.08\nhole_diameter_mm = -0.1\n",
                "cell.toml:8: key gasket.hole_diameter_mm = -0.1 mm"},
        Refused{"gasket_no_material", "[gasket]\nthickness_mm = 0.08\nhole_diameter_mm = 0.15\n",
                "gasket needs material and density_g_cm3 (or opaque = true)"},
        Refused{"opaque_not_bool", "[gasket]\nopaque = 1\n", "cell.toml:6: key gasket.opaque must be true or false"},
        Refused{"crystal_no_culet", "[crystal]\ndiameter_mm = 0.06\nthickness_mm = 0.02\n", "needs lies_on"},
        Refused{"crystal_wrong_culet", "[crystal]\nlies_on = \"table\"\n",
                "cell.toml:6: key crystal.lies_on must be \"piston\" or \"cylinder\""},
        Refused{"crystal_shape", "[crystal]\nshape = \"sphere\"\n", "cell.toml:6: key crystal.shape must be \"plate\" or \"box\""},
        Refused{"box_without_edge", "[crystal]\nshape = \"box\"\nlies_on = \"piston\"\nedge_a_mm = 0.05\nedge_b_mm = 0.04\n",
                "a box crystal needs edge_c_mm"},
        Refused{"formula_without_density", PLATE + "material = \"SiO2\"\n", "needs both material and density_g_cm3"},
        Refused{"unknown_chamber_key", "[gasket]\nhole_mm = 0.1\n", "cell.toml:6: unknown key gasket.hole_mm"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ChamberDescription, ReadsGasketPlateAndBoxAndOptionsOverTheFile) {
  DacRead r = read_dac_description(ANVILS + STEEL + PLATE + "material = \"SiO2\"\ndensity_g_cm3 = 2.65\n", "cell.toml",
                                   {{"crystal.offset_x_mm", "0.01", "--set"}});
  ASSERT_TRUE(r.dac) << r.error;
  ASSERT_TRUE(r.dac->gasket && r.dac->crystal);
  EXPECT_FALSE(r.dac->gasket->opaque);
  EXPECT_EQ(r.dac->gasket->layer.material, "Fe");
  EXPECT_EQ(r.dac->gasket->layer.thickness_mm, 0.08);
  EXPECT_EQ(r.dac->gasket->hole_diameter_mm, 0.15);
  EXPECT_EQ(r.dac->crystal->form, CrystalForm::plate);
  EXPECT_EQ(r.dac->crystal->lies_on, "cylinder");
  EXPECT_EQ(r.dac->crystal->diameter_mm, 0.06);
  EXPECT_EQ(r.dac->crystal->material, "SiO2");
  EXPECT_EQ(r.dac->crystal->offset_x_mm, 0.01);

  r = read_dac_description(ANVILS +
                               "[gasket]\nopaque = true\nthickness_mm = 0.08\nhole_diameter_mm = 0.15\n"
                               "[crystal]\nshape = \"box\"\nlies_on = \"piston\"\nedge_a_mm = 0.05\nedge_b_mm = 0.04\n"
                               "edge_c_mm = 0.02\nangle_deg = 30\n",
                           "cell.toml", {});
  ASSERT_TRUE(r.dac) << r.error;
  EXPECT_TRUE(r.dac->gasket->opaque);
  EXPECT_EQ(r.dac->crystal->form, CrystalForm::box);
  EXPECT_EQ(r.dac->crystal->edge_c_mm, 0.02);
  EXPECT_EQ(r.dac->crystal->angle_deg, 30);
  EXPECT_TRUE(r.dac->crystal->material.empty());
}

using testing_run::mo_run;

DacDescription described(const std::string& toml) {
  const DacRead r = read_dac_description(ANVILS + toml, "cell.toml", {});
  EXPECT_TRUE(r.dac) << r.error;
  return r.dac.value_or(DacDescription{});
}

// Checks prepare_correction makes, after prepare_volume's, with the key the user wrote.
struct PrepRefused {
  const char* name;
  std::string toml;
  std::string message;
};
void PrintTo(const PrepRefused& c, std::ostream* os) { *os << c.name; }
class ChamberPreparation : public ::testing::TestWithParam<PrepRefused> {};
TEST_P(ChamberPreparation, RefusesNamingTheKey) {
  const CorrectionPreparation p = prepare_correction({mo_run(), described(GetParam().toml)});
  ASSERT_FALSE(p.prepared);
  ASSERT_TRUE(p.refusal);
  EXPECT_NE(p.refusal->message.find(GetParam().message), std::string::npos) << p.refusal->message;
}
INSTANTIATE_TEST_SUITE_P(
    Refusals, ChamberPreparation,
    ::testing::Values(PrepRefused{"gasket_without_crystal", STEEL, "crystal: "},
                      PrepRefused{"crystal_wider_than_hole",
                                  STEEL + "[crystal]\nlies_on = \"piston\"\ndiameter_mm = 0.2\nthickness_mm = 0.02\n",
                                  "crystal"},
                      PrepRefused{"crystal_taller_than_chamber",
                                  STEEL + "[crystal]\nlies_on = \"piston\"\ndiameter_mm = 0.05\nthickness_mm = 0.09\n",
                                  "crystal"},
                      PrepRefused{"gasket_formula", "[gasket]\nmaterial = \"Xq\"\ndensity_g_cm3 = 7\nthickness_mm = 0.08\n"
                                                    "hole_diameter_mm = 0.15\n" + PLATE,
                                  "gasket.material \"Xq\""},
                      PrepRefused{"crystal_formula", PLATE + "material = \"Qz2\"\ndensity_g_cm3 = 2\n",
                                  "crystal.material \"Qz2\""}),
    [](const auto& info) { return std::string(info.param.name); });

Vec3d from_cell_frame(const PreparedCorrection& p, const Vec3d& cell) {
  Vec3d out{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      out[j] += p.to_cell_frame.row[i][j] * cell[i];
  return out;
}
Vec3d polar(double theta_deg, double phi_deg, double sign) {
  const double t = theta_deg * std::numbers::pi / 180, f = phi_deg * std::numbers::pi / 180;
  return {std::sin(t) * std::cos(f), std::sin(t) * std::sin(f), sign * std::cos(t)};
}

// The joined factor: the flat layers' times the chamber's average, per beam pair; and
// with nothing in the chamber that changes it, no average at all and part 1's factor.
struct JoinCase {
  const char* name;
  std::string toml;
  bool has_average;
};
// Named in the test list by what it is, not by its bytes.
void PrintTo(const JoinCase& c, std::ostream* os) { *os << c.name; }
class JoinedFactor : public ::testing::TestWithParam<JoinCase> {};
TEST_P(JoinedFactor, IsFlatTimesVolumeAverage) {
  const CorrectionPreparation with = prepare_correction({mo_run(), described(GetParam().toml)});
  const CorrectionPreparation flat = prepare_correction({mo_run(), described("")});
  ASSERT_TRUE(with.prepared && flat.prepared) << (with.refusal ? with.refusal->message : "");
  const PreparedCorrection& p = *with.prepared;
  EXPECT_EQ(bool(p.volume_factor), GetParam().has_average);
  for (double a : {0.0, 12.0, 25.0, 31.0, 37.0})
    for (double f : {0.0, 100.0, 250.0}) {
      const Vec3d in = from_cell_frame(p, polar(a, f, 1)), out = from_cell_frame(p, polar(a / 2, f + 90, -1));
      const BeamPath bi = beam_path(p, in), bo = beam_path(p, out);
      const BeamPath fi = beam_path(*flat.prepared, in), fo = beam_path(*flat.prepared, out);
      const double t_flat = fi.transmission * fo.transmission;
      EXPECT_NEAR(bi.transmission * bo.transmission / t_flat, 1.0, 1e-12);
      double v = 1;
      if (p.volume_factor)
        v = volume_average(*p.volume, Vec3{bi.u[0], bi.u[1], bi.u[2]}, Vec3{bo.u[0], bo.u[1], bo.u[2]});
      const double t = p.volume_factor ? t_flat * p.volume_factor(bi.u, bo.u) : t_flat;
      // The run reads the average from its table, within 1e-4 of the integral.
      if (GetParam().has_average)
        EXPECT_NEAR(t, t_flat * v, 1e-4 * t_flat * v + 1e-12) << a << " " << f;
      else
        EXPECT_NEAR(t / t_flat, 1.0, 1e-7);
      EXPECT_LE(t, t_flat * (1 + 1e-12));
    }
}
INSTANTIATE_TEST_SUITE_P(
    Chambers, JoinedFactor,
    ::testing::Values(JoinCase{"nothing", "", false}, JoinCase{"crystal_without_formula", PLATE, false},
                      JoinCase{"crystal_absorbing", PLATE + "material = \"SiO2\"\ndensity_g_cm3 = 2.65\n", true},
                      JoinCase{"steel_gasket", STEEL + PLATE, true},
                      JoinCase{"opaque_gasket",
                               "[gasket]\nopaque = true\nthickness_mm = 0.08\nhole_diameter_mm = 0.15\n" + PLATE, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JoinedFactor, TheChamberTakesItsMuFromXraylibAndTheCrystalItsCulet) {
  const CorrectionPreparation prep =
      prepare_correction({mo_run(), described(STEEL + PLATE + "material = \"SiO2\"\ndensity_g_cm3 = 2.65\n")});
  ASSERT_TRUE(prep.prepared);
  const PreparedCorrection& p = *prep.prepared;
  EXPECT_DOUBLE_EQ(p.mu_gasket, linear_attenuation("Fe", 7.874, 0.71073f).mu_per_mm);
  EXPECT_DOUBLE_EQ(p.mu_crystal, linear_attenuation("SiO2", 2.65, 0.71073f).mu_per_mm);
  // plus_side is the piston by default: a crystal on the cylinder's culet lies at z = 0.
  EXPECT_EQ(p.volume->crystal.side, Side::minus);
  EXPECT_EQ(p.volume->z_low, 0);
  // Steel at Mo K-alpha lets part through: a steep beam is weakened, not stopped.
  const double t = p.volume_factor(polar(60, 0, 1), polar(60, 180, -1));
  EXPECT_GT(t, 0);
  EXPECT_LT(t, 0.9);
}

}  // namespace
}  // namespace zirel::correction
