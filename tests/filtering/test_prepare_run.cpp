// prepare_run: the refusals every front end shares, in their order, and the run it
// prepares; run_prepared from a file or the generator; a source read on its own.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include "filtering/prepare_run.h"
#include "tests/filtering/filter_harness.h"

namespace zirel {
namespace {

using test::cubic_settings;

RunSettings with_cell(UnitCell cell, Vec3 axis = {0, 0, 1}) {
  RunSettings s = cubic_settings(InputKind::Shelx, OutputKind::Shelx);
  s.cell = cell;
  s.axis = axis;
  return s;
}

RunSettings with_beam(float wavelength, float psi_max, UnitCell cell = test::CUBIC_10) {
  RunSettings s = with_cell(cell);
  s.wavelength = wavelength;
  s.psi_max = psi_max;
  return s;
}

TEST(PrepareRun, RefusalsInTheirOrder) {
  constexpr UnitCell FLAT{5, 5, 5, 90, 90, 0};  // gamma 0: a and b coincide
  constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
  constexpr RefusalKind PARAMETER = RefusalKind::invalid_parameter;
  constexpr RefusalKind NO_CELL = RefusalKind::invalid_cell;
  const char* WAVELENGTH = "WAVELENGTH MUST BE POSITIVE";
  const char* PSI = "PSI MAX MUST LIE BETWEEN 0 AND 90 DEGREES";
  const char* EDGES = "UNIT CELL EDGES MUST BE POSITIVE";
  const char* ANGLES = "UNIT CELL ANGLES DO NOT FORM A CELL";
  struct Case {
    const char* what;
    RunSettings settings;
    RefusalKind kind;
    RunParameter parameter;
    const char* message;
  };
  const Case cases[] = {
      // The wavelength and Psi max come before the cell.
      {"wavelength 0", with_beam(0.0f, 40.0f), PARAMETER, RunParameter::wavelength, WAVELENGTH},
      {"negative wavelength", with_beam(-0.7093f, 40.0f), PARAMETER, RunParameter::wavelength, WAVELENGTH},
      {"wavelength NaN", with_beam(NaN, 40.0f), PARAMETER, RunParameter::wavelength, WAVELENGTH},
      {"wavelength 0 and Psi max 180", with_beam(0.0f, 180.0f), PARAMETER, RunParameter::wavelength, WAVELENGTH},
      {"Psi max 180", with_beam(0.7093f, 180.0f), PARAMETER, RunParameter::psi_max, PSI},
      {"Psi max just above 90", with_beam(0.7093f, 90.001f), PARAMETER, RunParameter::psi_max, PSI},
      {"Psi max below 0", with_beam(0.7093f, -1.0f), PARAMETER, RunParameter::psi_max, PSI},
      {"Psi max NaN", with_beam(0.7093f, NaN), PARAMETER, RunParameter::psi_max, PSI},
      {"Psi max 180 and a singular cell", with_beam(0.7093f, 180.0f, FLAT), PARAMETER, RunParameter::psi_max, PSI},
      // The determinant test, unchanged, then the edges, then the angles.
      {"zero edge", with_cell({0, 5, 5, 90, 90, 90}), RefusalKind::singular_cell, RunParameter::cell,
       "SINGULAR UNIT CELL: DETERMINANT OF METRIC TENSOR IS ZERO"},
      {"negative a", with_cell({-5, 5, 5, 90, 90, 90}), NO_CELL, RunParameter::cell, EDGES},
      {"negative edge", with_cell({5, -5, 5, 90, 90, 90}), NO_CELL, RunParameter::cell, EDGES},
      {"negative c", with_cell({5, 5, -5, 90, 90, 90}), NO_CELL, RunParameter::cell, EDGES},
      {"oblique with a negative c", with_cell({5.1f, 6.2f, -7.3f, 70.1f, 80.2f, 85.3f}), NO_CELL,
       RunParameter::cell, EDGES},
      {"negative edge and impossible angles", with_cell({-5, 5, 5, 10, 10, 100}), NO_CELL, RunParameter::cell, EDGES},
      {"alpha 0", with_cell({7.512f, 9.874f, 11.236f, 0, 103.47f, 90}), NO_CELL, RunParameter::cell, ANGLES},
      {"angles that cannot close", with_cell({5, 5, 5, 10, 10, 100}), NO_CELL, RunParameter::cell, ANGLES},
      {"flat: three angles of 120", with_cell({5, 5, 5, 120, 120, 120}), NO_CELL, RunParameter::cell, ANGLES},
      {"an angle of 200", with_cell({5, 5, 5, 90, 90, 200}), NO_CELL, RunParameter::cell, ANGLES},
      {"an angle of -90", with_cell({5, 5, 5, 90, 90, -90}), NO_CELL, RunParameter::cell, ANGLES},
      {"angles summing to 360.1", with_cell({5, 5, 5, 120, 120, 120.1f}), NO_CELL, RunParameter::cell, ANGLES},
      {"impossible angles and a zero axis", with_cell({5, 5, 5, 10, 10, 100}, {0, 0, 0}), NO_CELL,
       RunParameter::cell, ANGLES},
      {"singular cell", with_cell(FLAT), RefusalKind::singular_cell, RunParameter::cell,
       "SINGULAR UNIT CELL: DETERMINANT OF METRIC TENSOR IS ZERO"},
      // The cell is looked at first: a singular cell with a zero axis is refused for the cell.
      {"singular cell and zero axis", with_cell(FLAT, {0, 0, 0}), RefusalKind::singular_cell,
       RunParameter::cell, "SINGULAR UNIT CELL: DETERMINANT OF METRIC TENSOR IS ZERO"},
      {"zero axis", with_cell(test::CUBIC_10, {0, 0, 0}), RefusalKind::zero_axis, RunParameter::axis,
       "AXIS DIRECTION HAS ZERO LENGTH"},
  };
  for (const Case& c : cases)
    for (bool generate : {false, true}) {
      const RunPreparation p = prepare_run(c.settings, generate);
      ASSERT_TRUE(p.refusal.has_value()) << c.what;
      EXPECT_FALSE(p.run.has_value()) << c.what;
      EXPECT_EQ(p.refusal->kind, c.kind) << c.what;
      EXPECT_EQ(p.refusal->parameter, c.parameter) << c.what;
      EXPECT_EQ(p.refusal->message, c.message) << c.what;
    }
}

// Real cells, however oblique, and the ends of the Psi max range run.
TEST(PrepareRun, EveryRealCellAndTheEndsOfTheRangesRun) {
  const RunSettings cases[] = {
      with_cell(test::MONOCLINIC), with_cell(test::HEXAGONAL), with_cell({7.512f, 9.874f, 11.236f, 90, 103.47f, 90}),
      with_cell({5, 5, 5, 60, 60, 60}),  // primitive fcc
      with_cell({7, 7, 7, 109.47f, 109.47f, 109.47f}),  // primitive bcc
      with_cell({8, 8, 8, 119, 119, 119}),  // rhombohedral, near flat
      with_cell({5.1f, 6.2f, 7.3f, 70.1f, 80.2f, 85.3f}), with_beam(0.7093f, 0.0f), with_beam(0.7093f, 90.0f),
      with_beam(1e-30f, 40.0f)};  // a wavelength that is tiny is not wrong when reading
  for (const RunSettings& s : cases) {
    const RunPreparation p = prepare_run(s, false);
    EXPECT_FALSE(p.refusal.has_value()) << s.cell.a << ' ' << s.cell.alpha << ' ' << s.psi_max << ' '
                                        << (p.refusal ? p.refusal->message : "");
  }
}

// A generation that would run for hours, or whose index range would be cut short,
// is refused; reading with the same parameters is not.
TEST(PrepareRun, RunawayGenerationIsRefused) {
  constexpr UnitCell NEEDLE{1000, 0.1f, 0.1f, 90, 90, 90};  // long indices, few reflections
  struct Case {
    const char* what;
    RunSettings settings;
    const char* message;  // nullptr: runs
  };
  const Case cases[] = {
      {"a wavelength of 1e-6", with_beam(1e-6f, 40.0f), "INDICES TOO LARGE TO GENERATE (LIMIT 999)"},
      {"index bound 1000", with_beam(2.5f / 1.0005f, 90.0f, NEEDLE), "INDICES TOO LARGE TO GENERATE (LIMIT 999)"},
      {"index bound 999", with_beam(2.5f / 0.9995f, 90.0f, NEEDLE), nullptr},
      // n = 25 sin 40 / 0.03 = 535, but (4/3) pi (2 sin 40 / 0.03)^3 1000 = 3.3e8 reflections.
      {"3.3e8 reflections", with_beam(0.03f, 40.0f), "TOO MANY REFLECTIONS TO GENERATE (LIMIT 100,000,000)"},
      // 8.1e7 reflections: long, but allowed.
      {"8.1e7 reflections", with_beam(0.0478f, 40.0f), nullptr},
  };
  for (const Case& c : cases) {
    const RunPreparation generating = prepare_run(c.settings, true);
    if (c.message == nullptr) {
      EXPECT_FALSE(generating.refusal.has_value()) << c.what;
    } else {
      ASSERT_TRUE(generating.refusal.has_value()) << c.what;
      EXPECT_EQ(generating.refusal->kind, RefusalKind::invalid_parameter) << c.what;
      EXPECT_EQ(generating.refusal->parameter, RunParameter::generation) << c.what;
      EXPECT_EQ(generating.refusal->message, c.message) << c.what;
    }
    EXPECT_FALSE(prepare_run(c.settings, false).refusal.has_value()) << c.what;
  }
  // The estimate against a count: 329,748 reflections generated for lambda 0.3.
  EXPECT_NEAR(expected_generated_reflections(with_beam(0.3f, 40.0f)), 329748.0, 500.0);
}

TEST(PrepareRun, GeneratorOnlyWhenGenerating) {
  const RunSettings s = with_cell(test::CUBIC_10);
  const RunPreparation reading = prepare_run(s, false);
  ASSERT_TRUE(reading.run.has_value());
  EXPECT_FALSE(reading.refusal.has_value());
  EXPECT_FALSE(reading.run->generator.has_value());
  const RunPreparation generating = prepare_run(s, true);
  ASSERT_TRUE(generating.run.has_value());
  ASSERT_TRUE(generating.run->generator.has_value());
  EXPECT_GT(generating.run->generator->index_bound, 0);
  EXPECT_EQ(generating.run->access.axis_norm, 10.0f);
}

TEST(PrepareRun, DeterminantLine) {
  struct Case {
    float determinant;
    const char* line;
  };
  const Case cases[] = {{0.0f, "   Determinant of Metric tensor =     0.0000"},
                        {123.25f, "   Determinant of Metric tensor =   123.2500"},
                        {1.0e9f, "   Determinant of Metric tensor = **********"}};
  for (const Case& c : cases) {
    const auto line = determinant_line(c.determinant);
    EXPECT_EQ(std::string(line.data(), line.size()), c.line) << c.determinant;
  }
  const RunPreparation p = prepare_run(with_cell({5, 5, 5, 90, 90, 0}), false);
  ASSERT_TRUE(p.refusal.has_value());
  const auto line = determinant_line(p.refusal->determinant);
  EXPECT_EQ(std::string(line.data(), line.size()), "   Determinant of Metric tensor =     0.0000");
}

// The same prepared run writes what the harness's direct run writes, from either source.
TEST(PrepareRun, RunPreparedTakesTheSourceItWasPreparedFor) {
  const std::string in = "   1   0   0  1234.5    12.3\r\n   0   0   1   100.0     1.0\r\n";
  for (bool generate : {false, true}) {
    RunSettings s = cubic_settings(generate ? InputKind::Generated : InputKind::Shelx, OutputKind::Shelx);
    const test::FilterResult expected = test::run_filter(generate ? "" : in, s);
    RunPreparation p = prepare_run(s, generate);
    ASSERT_TRUE(p.run.has_value());
    UnitTable table;
    std::string output;
    table.connect_memory_input(INPUT_UNIT, in);
    table.connect_memory_output(OUTPUT_UNIT, output);
    test::RecordingSink status;
    const FilterCounts counts = run_prepared(*p.run, s, table, status);
    table.close(OUTPUT_UNIT);
    EXPECT_EQ(output, expected.output) << generate;
    EXPECT_EQ(counts.records_read, expected.counts.records_read) << generate;
    EXPECT_EQ(status.final_text(), expected.sink.final_text()) << generate;
  }
}

// A program that only reads reflections uses a file source without any sink.
TEST(ReflectionSource, FileReadAloneInEitherLayout) {
  struct Case {
    InputKind kind;
    const char* bytes;
    Reflection first;
  };
  const Case cases[] = {
      {InputKind::Shelx, "   1  -2   3  1234.5    12.3\r\n", {1, -2, 3, 1234.5f, 12.3f, 0.0f, 0, {}}},
      {InputKind::Cellex, "  1 -2  3      10.0   1.5   0.12345    7\r\n", {1, -2, 3, 100.0f, 30.0f, 0.12345f, 7, {}}},
  };
  for (const Case& c : cases) {
    UnitTable table;
    table.connect_memory_input(4, c.bytes);
    ReflectionFile source(table, 4, c.kind);
    Reflection r;
    ASSERT_EQ(source.next(r), IO_OK);
    EXPECT_EQ(r.h, c.first.h);
    EXPECT_EQ(r.k, c.first.k);
    EXPECT_EQ(r.l, c.first.l);
    EXPECT_EQ(r.intensity, c.first.intensity);
    EXPECT_EQ(r.sigma_intensity, c.first.sigma_intensity);
    EXPECT_EQ(r.pass_real, c.first.pass_real);
    EXPECT_EQ(r.pass_integer, c.first.pass_integer);
    EXPECT_EQ(source.next(r), IO_END);
  }
}

TEST(ReflectionSource, GeneratorEndsWithItsEnumeration) {
  GenerationState state = prepare_generation(with_cell(test::CUBIC_10), build_metric(test::CUBIC_10));
  GeneratedReflections source(state);
  Reflection r;
  r.intensity = 5.0f;
  ASSERT_EQ(source.next(r), IO_OK);
  EXPECT_EQ(r.intensity, 0.0f);
  EXPECT_EQ(r.sigma_intensity, 0.0f);
  int count = 1;
  while (source.next(r) == IO_OK) ++count;
  EXPECT_TRUE(state.finished);
  EXPECT_EQ(source.next(r), IO_END);
  EXPECT_GT(count, 1);
}

}  // namespace
}  // namespace zirel
