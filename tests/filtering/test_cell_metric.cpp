#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include "filtering/cell_metric.h"
#include "tests/filtering/run_fixtures.h"

namespace zirel {
namespace {

using test::CUBIC_10;
using test::HEXAGONAL;
using test::MONOCLINIC;

TEST(CellMetric, CubicCellHasDiagonalMetrics) {
  const CellMetric m = build_metric(CUBIC_10);
  ASSERT_FALSE(m.singular);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(m.g(i, i), 100.0f);
    EXPECT_EQ(m.g_star(i, i), 0.01f);
  }
  EXPECT_EQ(m.determinant, 1.0e6f);
  EXPECT_EQ(d_spacing(m, {1, 0, 0}), 10.0f);
  EXPECT_NEAR(direct_length(m, {1, 2, 2}), 30.0f, 1e-5f);  // cos(90 deg) in float is -4.4e-8
}

TEST(CellMetric, HexagonalOffDiagonalCarriesSinglePrecisionCosine) {
  const CellMetric m = build_metric(HEXAGONAL);
  ASSERT_FALSE(m.singular);
  // cos of the float 120 * 0.017453292 is not exactly -0.5.
  EXPECT_EQ(m.g(0, 1), -12.500002f);
  EXPECT_EQ(m.g(1, 0), m.g(0, 1));
  EXPECT_NEAR(d_spacing(m, {1, 0, 0}), 4.3301270f, 2e-6f);
  EXPECT_NEAR(direct_length(m, {1, 1, 0}), 5.0f, 1e-5f);
}

TEST(CellMetric, MetricTimesInverseIsIdentity) {
  std::mt19937 rng(7);
  std::vector<UnitCell> cells{CUBIC_10, HEXAGONAL, MONOCLINIC, {7.1f, 9.3f, 11.7f, 81.2f, 97.4f, 113.9f}};
  for (int i = 0; i < 50; ++i)
    cells.push_back(test::random_cell(rng));
  for (const UnitCell& cell : cells) {
    const CellMetric m = build_metric(cell);
    if (m.singular || m.determinant <= 0)
      continue;  // impossible angle triples are covered elsewhere
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) {
        double sum = 0.0;
        for (int k = 0; k < 3; ++k)
          sum += static_cast<double>(m.g(i, k)) * m.g_star(k, j);
        EXPECT_NEAR(sum, i == j ? 1.0 : 0.0, 2e-5) << cell.a << ' ' << cell.alpha << " (" << i << j << ')';
      }
  }
}

TEST(InvertMatrix3, GeneralMatrixUsesTransposedCofactors) {
  const MetricTensor a{{{{2, 1, 0}, {0, 1, 3}, {1, 0, 1}}}};
  const Inversion inv = invert_matrix3(a, METRIC_TOLERANCE);
  ASSERT_FALSE(inv.singular);
  EXPECT_EQ(inv.determinant, 5.0f);
  const float expected[3][3] = {{0.2f, -0.2f, 0.6f}, {0.6f, 0.4f, -1.2f}, {-0.2f, 0.2f, 0.4f}};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      EXPECT_EQ(inv.inverse(i, j), expected[i][j]) << i << j;
}

TEST(InvertMatrix3, ToleranceIsStrict) {
  MetricTensor a{{{{1, 0, 0}, {0, 1, 0}, {0, 0, METRIC_TOLERANCE}}}};
  EXPECT_FALSE(invert_matrix3(a, METRIC_TOLERANCE).singular);
  a(2, 2) = std::nextafter(METRIC_TOLERANCE, 0.0f);
  const Inversion inv = invert_matrix3(a, METRIC_TOLERANCE);
  EXPECT_TRUE(inv.singular);
  EXPECT_EQ(inv.determinant, 0.0f);
  EXPECT_EQ(inv.inverse(0, 0), 0.0f);
}

struct SingularCase {
  const char* what;
  UnitCell cell;
};

TEST(CellMetric, UnusableCellsAreReportedNotComputed) {
  constexpr float nan = std::numeric_limits<float>::quiet_NaN();
  const SingularCase cases[] = {
      {"zero edge", {0, 10, 10, 90, 90, 90}},
      {"flat cell", {10, 10, 10, 90, 90, 0}},
      {"tiny but valid cell, det 1.5625e-8", {0.05f, 0.05f, 0.05f, 90, 90, 90}},
      {"NaN edge", {nan, 10, 10, 90, 90, 90}},
      {"NaN angle", {10, 10, 10, nan, 90, 90}},
      {"edge whose square overflows", {1e30f, 10, 10, 90, 90, 90}},
  };
  for (const auto& c : cases) {
    const CellMetric m = build_metric(c.cell);
    EXPECT_TRUE(m.singular) << c.what;
    EXPECT_EQ(m.determinant, 0.0f) << c.what;
    EXPECT_EQ(m.g_star(0, 0), 0.0f) << c.what;
  }
}

TEST(CellMetric, ImpossibleAnglesPassTheDeterminantTest) {
  // alpha + beta < gamma: a negative determinant well above the tolerance.
  const CellMetric m = build_metric({10, 10, 10, 30, 30, 120});
  EXPECT_FALSE(m.singular);
  EXPECT_LT(m.determinant, -1.0f);
  // G* is indefinite, so some lengths have no square root; they come out as NaN, not a crash.
  bool saw_nan = false;
  for (int h = -3; h <= 3; ++h)
    for (int k = -3; k <= 3; ++k)
      saw_nan |= std::isnan(d_spacing(m, {float(h), float(k), 1.0f}));
  EXPECT_TRUE(saw_nan);
}

}  // namespace
}  // namespace zirel
