// The correction's library on cases a reader can check by hand, and on a simulated
// rotation experiment whose beams are known exactly.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>
#include "correction/attenuation.h"
#include "correction/beam_vectors.h"
#include "correction/correction_run.h"
#include "correction/enclosing_cap.h"
#include "correction/reflection_correction.h"
#include "tests/correction/rotation_simulation.h"

namespace zirel::correction {
namespace {

// The values the task names for diamond, 3.515 g/cm3: the check is that xraylib's
// cross-sections give them, not a table of ours.
struct MuCase {
  const char* name;
  double wavelength, expected_per_mm;
};
void PrintTo(const MuCase& c, std::ostream* os) { *os << c.name; }
class DiamondMu : public ::testing::TestWithParam<MuCase> {};
TEST_P(DiamondMu, WithinTwoPercent) {
  const Attenuation a = linear_attenuation("C", 3.515, GetParam().wavelength);
  ASSERT_TRUE(a.error.empty()) << a.error;
  EXPECT_NEAR(a.mu_per_mm, GetParam().expected_per_mm, 0.02 * GetParam().expected_per_mm);
}
INSTANTIATE_TEST_SUITE_P(Lines, DiamondMu,
                         ::testing::Values(MuCase{"MoKa", 0.7107, 0.202}, MuCase{"AgKa", 0.5594, 0.131}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Attenuation, UnknownFormulaIsRefusedInWords) {
  EXPECT_FALSE(linear_attenuation("Xq2", 1.0, 0.71).error.empty());
}

DacDescription anvils_only(double height, double opening) {
  DacDescription d;
  for (DacSide* s : {&d.plus, &d.minus}) {
    s->anvil = {"C", 3.515, height};
    s->opening_deg = opening;
  }
  d.plus.name = "piston";
  d.minus.name = "cylinder";
  return d;
}

RunSettings settings_of(const simulation::Experiment& e, const Vec3d& axis, float psi_max) {
  RunSettings s;
  s.cell = e.cell;
  s.wavelength = float(e.wavelength);
  s.psi_max = psi_max;
  s.axis_kind = AxisKind::UVW;
  s.axis = {float(axis[0]), float(axis[1]), float(axis[2])};
  s.input_kind = InputKind::Shelx;
  s.output_kind = OutputKind::Shelx;
  return s;
}

// T of two flat anvils: exp(-mu t (1/|cos phi_in| + 1/|cos phi_out|)), Beer-Lambert.
struct PathCase {
  double phi_in_deg, phi_out_deg;
};
void PrintTo(const PathCase& c, std::ostream* os) {
  *os << "in " << c.phi_in_deg << " deg, out " << c.phi_out_deg << " deg";
}
class AnvilTransmission : public ::testing::TestWithParam<PathCase> {};
TEST_P(AnvilTransmission, IsBeerLambertOverBothAnvils) {
  const simulation::Experiment e;
  CorrectionPreparation prep = prepare_correction({settings_of(e, {0, 0, 1}, 40), anvils_only(1.6, 89)});
  ASSERT_TRUE(prep.prepared);
  const PreparedCorrection& p = *prep.prepared;
  // Beams built in the cell's frame, taken back to the crystal's.
  auto crystal = [&](double phi_deg, double sign) {
    const double f = phi_deg * std::numbers::pi / 180;
    const Vec3d cell{std::sin(f) * 0.6, std::sin(f) * 0.8, sign * std::cos(f)};
    Vec3d out{};
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j)
        out[j] += p.to_cell_frame.row[i][j] * cell[i];
    return out;
  };
  const BeamPath in = beam_path(p, crystal(GetParam().phi_in_deg, 1));
  const BeamPath out = beam_path(p, crystal(GetParam().phi_out_deg, -1));
  EXPECT_TRUE(in.plus_side);
  EXPECT_FALSE(out.plus_side);
  EXPECT_NEAR(in.angle_deg(), GetParam().phi_in_deg, 1e-9);
  const double mu = linear_attenuation("C", 3.515, e.wavelength).mu_per_mm;
  const double expected = std::exp(-mu * 1.6 * (1 / std::cos(GetParam().phi_in_deg * std::numbers::pi / 180) +
                                                1 / std::cos(GetParam().phi_out_deg * std::numbers::pi / 180)));
  EXPECT_NEAR(in.transmission * out.transmission / expected, 1.0, 1e-6);
}
INSTANTIATE_TEST_SUITE_P(Angles, AnvilTransmission,
                         ::testing::Values(PathCase{0, 0}, PathCase{10, 25}, PathCase{38, 38}, PathCase{5, 60},
                                           PathCase{80, 1}));

TEST(AnvilTransmission, OnTheAxisAtMoKaIsAboutHalf) {
  // Two 1.6 mm diamonds: exp(-0.202 * 3.2) = 0.52 on the axis.
  const double mu = linear_attenuation("C", 3.515, 0.7107).mu_per_mm;
  EXPECT_NEAR(std::exp(-mu * 3.2), 0.52, 0.02);
}

struct CapCase {
  const char* name;
  std::vector<Vec3d> points;
  Vec3d centre;
  double half_angle_deg;
};
// Named in the test list by what it is, not by its bytes.
void PrintTo(const CapCase& c, std::ostream* os) { *os << c.name; }
Vec3d polar(double theta_deg, double phi_deg) {
  const double t = theta_deg * std::numbers::pi / 180, p = phi_deg * std::numbers::pi / 180;
  return {std::sin(t) * std::cos(p), std::sin(t) * std::sin(p), std::cos(t)};
}
class EnclosingCap : public ::testing::TestWithParam<CapCase> {};
TEST_P(EnclosingCap, IsTheNarrowest) {
  const CapCase& c = GetParam();
  CapAccumulator acc;
  for (const Vec3d& p : c.points)
    acc.add(p);
  const Cap cap = acc.result();
  ASSERT_FALSE(cap.empty);
  EXPECT_NEAR(cap.half_angle_deg, c.half_angle_deg, 1e-9);
  EXPECT_NEAR(planning::dot(cap.centre, c.centre), 1.0, 1e-12);
}
INSTANTIATE_TEST_SUITE_P(
    Points, EnclosingCap,
    ::testing::Values(CapCase{"one", {polar(10, 0)}, polar(10, 0), 0},
                      CapCase{"pair", {polar(20, 0), polar(20, 180)}, {0, 0, 1}, 20},
                      CapCase{"ring_and_inside", {polar(30, 0), polar(30, 120), polar(30, 240), polar(5, 60), polar(29, 10)},
                              {0, 0, 1}, 30},
                      CapCase{"tilted_pair_with_middle", {polar(40, 90), polar(0, 0), polar(20, 90)}, polar(20, 90), 20}),
    [](const auto& info) { return std::string(info.param.name); });

// A source of simulated records, as the file reader hands them over.
class Records : public ReflectionSource {
public:
  explicit Records(std::vector<std::string> lines) : lines_(std::move(lines)) {}
  IoStatus next(Reflection& r) override {
    if (i_ == lines_.size())
      return IO_END;
    const std::string& s = lines_[i_++];
    r.h = std::stoi(s.substr(0, 4));
    r.k = std::stoi(s.substr(4, 4));
    r.l = std::stoi(s.substr(8, 4));
    r.intensity = std::stof(s.substr(12, 8));
    r.sigma_intensity = std::stof(s.substr(20, 8));
    r.extra_columns = std::string_view(s).substr(std::min<std::size_t>(28, s.size()));
    return IO_OK;
  }

private:
  std::vector<std::string> lines_;
  std::size_t i_ = 0;
};

std::vector<std::string> simulated_lines(const simulation::Experiment& e) {
  std::vector<std::string> lines;
  simulate(e, [&](const simulation::Record& r) { lines.push_back(simulation::shelx_line(r, 1000, 10)); });
  return lines;
}

// The run on a simulated experiment, with the cell and axis given to it (maybe wrong).
struct RunCase {
  const char* name;
  UnitCell cell;         // given to the run
  Vec3d axis;            // given to the run
  bool most_fail;        // refused: most records fail the check
  double fit_off_deg;    // fitted axis against the axis given
};
void PrintTo(const RunCase& c, std::ostream* os) { *os << c.name; }
class SimulatedRun : public ::testing::TestWithParam<RunCase> {};
TEST_P(SimulatedRun, ChecksOpeningAndFit) {
  const RunCase& c = GetParam();
  const simulation::Experiment e;
  simulation::Experiment given = e;
  given.cell = c.cell;
  CorrectionPreparation prep = prepare_correction({settings_of(given, c.axis, 38), anvils_only(1.6, 38)});
  ASSERT_TRUE(prep.prepared);
  Records source(simulated_lines(e));
  UnitTable table;
  const std::string out = ::testing::TempDir() + "zirel_correct_run.hkl";
  ASSERT_EQ(table.open(OUTPUT_UNIT, out, "REPLACE"), IO_OK);
  ReflectionSink sink(table, OUTPUT_UNIT, OutputKind::Shelx, true);
  const CorrectionSummary s = run_correction(*prep.prepared, source, sink, {});
  table.close(OUTPUT_UNIT);
  ASSERT_GT(s.reflections, 500);
  EXPECT_EQ(most_fail(s).has_value(), c.most_fail) << (most_fail(s) ? *most_fail(s) : "");
  if (c.most_fail)
    return;
  EXPECT_EQ(s.checked_failures(), 0);
  EXPECT_EQ(s.written + s.blocked, s.reflections);
  EXPECT_NEAR(s.fit.angle_to_given_deg, c.fit_off_deg, 1.0);
  // The mount, learnt from the data: the cap of a scan about one spindle is not centred
  // exactly on the axis, but well within a degree of it.
  EXPECT_EQ(s.fit.uvw.indices, (planning::Indices{0, 0, 1}));
  EXPECT_LT(s.fit.uvw.angle_deg, 1.0);
  EXPECT_GE(s.fit.cap.half_angle_deg, 30 - 0.01);  // the incident beams alone span the scan
  if (c.fit_off_deg == 0) {
    EXPECT_GT(s.blocked, 0);  // the scan reaches beyond the 38 degree opening
    EXPECT_GT(s.corrected, 0);
    EXPECT_GT(s.t_min, 0);
    EXPECT_LT(s.t_max, 1);
    // The idealised rule is the best case over every turn about the scattering vector:
    // what the real beams pass, it keeps too. The reverse is the sign of a wrong axis.
    EXPECT_EQ(s.measured_only, 0);
    EXPECT_GT(s.idealised_only, 0);
  } else {
    EXPECT_EQ(s.corrected, 0) << "at 79 degrees from the axis given every beam is blocked";
    EXPECT_EQ(s.blocked, s.reflections);
  }
}
INSTANTIATE_TEST_SUITE_P(
    Experiments, SimulatedRun,
    ::testing::Values(RunCase{"right", {7.1f, 9.4f, 11.2f, 90, 101.3f, 90}, {0, 0, 1}, false, 0},
                      RunCase{"wrong_axis", {7.1f, 9.4f, 11.2f, 90, 101.3f, 90}, {1, 0, 0}, false, 78.7},
                      RunCase{"wrong_cell", {7.3f, 9.4f, 11.2f, 90, 101.3f, 90}, {0, 0, 1}, true, 0},
                      RunCase{"axes_swapped", {9.4f, 7.1f, 11.2f, 90, 101.3f, 90}, {0, 0, 1}, true, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// An opaque gasket on the simulated scan: --min-transmission leaves out what falls below
// its fraction of the on-axis factor, counted as shadowed, and keeps the rest unchanged.
struct ShadowCase {
  const char* name;
  double min_transmission;
};
void PrintTo(const ShadowCase& c, std::ostream* os) { *os << c.name; }
class GasketShadowRun : public ::testing::TestWithParam<ShadowCase> {};
TEST_P(GasketShadowRun, LeavesOutWhatFallsBelowTheFraction) {
  const simulation::Experiment e;
  DacDescription d = anvils_only(1.6, 38);
  GasketDescription g;
  g.opaque = true;
  g.layer.thickness_mm = 0.08;
  g.hole_diameter_mm = 0.15;
  d.gasket = g;
  CrystalDescription k;
  k.lies_on = "cylinder";
  k.diameter_mm = 0.14;  // nearly fills the hole: even modest angles are shadowed
  k.thickness_mm = 0.06;
  d.crystal = k;
  CorrectionPreparation prep = prepare_correction({settings_of(e, {0, 0, 1}, 38), d});
  ASSERT_TRUE(prep.prepared) << prep.refusal->message;
  auto run = [&](double fraction) {
    Records source(simulated_lines(e));
    UnitTable table;
    const std::string out = ::testing::TempDir() + "zirel_correct_shadow.hkl";
    EXPECT_EQ(table.open(OUTPUT_UNIT, out, "REPLACE"), IO_OK);
    ReflectionSink sink(table, OUTPUT_UNIT, OutputKind::Shelx, true);
    const CorrectionSummary s = run_correction(*prep.prepared, source, sink, {false, fraction});
    table.close(OUTPUT_UNIT);
    return s;
  };
  const CorrectionSummary all = run(0), s = run(GetParam().min_transmission);
  EXPECT_EQ(all.shadowed, 0);
  EXPECT_GT(all.partly_shadowed, 0) << "the scan reaches past the shadow's onset";
  EXPECT_EQ(s.corrected + s.shadowed, all.corrected);
  EXPECT_EQ(s.blocked, all.blocked);
  if (s.corrected > 0) {
    EXPECT_GE(s.t_min, GetParam().min_transmission * prep.prepared->t_axis);
  }
  if (GetParam().min_transmission >= 0.9) {  // this scan keeps every beam above half the on-axis factor
    EXPECT_GT(s.shadowed, 0);
  }
}
INSTANTIATE_TEST_SUITE_P(Fractions, GasketShadowRun,
                         ::testing::Values(ShadowCase{"none", 0}, ShadowCase{"default", DEFAULT_MIN_TRANSMISSION},
                                           ShadowCase{"half", 0.5}, ShadowCase{"most", 0.95}),
                         [](const auto& info) { return std::string(info.param.name); });

// The check of one record's cosines: each way a record can fail.
struct CheckCase {
  const char* name;
  std::string extra;  // columns after 28
  CosineRead read;
};
void PrintTo(const CheckCase& c, std::ostream* os) { *os << c.name; }
class CosineColumns : public ::testing::TestWithParam<CheckCase> {};
TEST_P(CosineColumns, AreReadOrRefused) {
  Cosines c{};
  EXPECT_EQ(read_cosines(GetParam().extra, c), GetParam().read);
}
INSTANTIATE_TEST_SUITE_P(
    Records, CosineColumns,
    ::testing::Values(CheckCase{"none", "", CosineRead::missing}, CheckCase{"batch_only", "   1", CosineRead::missing},
                      CheckCase{"blank", "   1" + std::string(48, ' '), CosineRead::missing},
                      CheckCase{"with_points", "   1 0.12345-0.23456 0.34567 0.45678-0.56789 0.67890", CosineRead::ok},
                      CheckCase{"implied_decimals", "   1   12345  -23456   34567   45678  -56789   67890  extra",
                                CosineRead::ok},
                      CheckCase{"one_blank", "   1 0.12345         0.34567 0.45678-0.56789 0.67890", CosineRead::unreadable},
                      CheckCase{"letters", "   1 0.12345 abcdefg 0.34567 0.45678-0.56789 0.67890", CosineRead::unreadable}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CosineColumns, ImpliedDecimalsReadAsWithPoints) {
  Cosines a{}, b{};
  ASSERT_EQ(read_cosines("   1 0.12345-0.23456 0.34567 0.45678-0.56789 0.67890", a), CosineRead::ok);
  ASSERT_EQ(read_cosines("   1   12345  -23456   34567   45678  -56789   67890", b), CosineRead::ok);
  EXPECT_EQ(a, b);
}

TEST(BeamCheck, ToleranceFollowsFiveDecimalRounding) {
  // Orthogonal cell: |a*||a| = 1 for each axis, so |du| <= 1.5e-5 and the bounds are 3e-5
  // on the length and 6e-5 rad on the angle.
  const BeamFrame f = make_beam_frame({10, 10, 10, 90, 90, 90}, 0.71);
  EXPECT_NEAR(f.norm_tolerance, 3e-5, 1e-12);
  EXPECT_NEAR(f.angle_tolerance, 6e-5, 1e-12);
}

}  // namespace
}  // namespace zirel::correction
