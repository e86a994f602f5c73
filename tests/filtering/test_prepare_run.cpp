// prepare_run: the refusals every front end shares, in their order, and the run it
// prepares; run_prepared from a file or the generator; a source read on its own.
#include <gtest/gtest.h>

#include <cmath>
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

TEST(PrepareRun, RefusalsInTheirOrder) {
  constexpr UnitCell FLAT{5, 5, 5, 90, 90, 0};  // gamma 0: a and b coincide
  struct Case {
    const char* what;
    RunSettings settings;
    RefusalKind kind;
    RunParameter parameter;
    const char* message;
  };
  const Case cases[] = {
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
      {InputKind::Shelx, "   1  -2   3  1234.5    12.3\r\n", {1, -2, 3, 1234.5f, 12.3f, 0.0f, 0}},
      {InputKind::Cellex, "  1 -2  3      10.0   1.5   0.12345    7\r\n", {1, -2, 3, 100.0f, 30.0f, 0.12345f, 7}},
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
