#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>
#include "filtering/accessibility.h"
#include "filtering/generation.h"
#include "tests/filtering/run_fixtures.h"

namespace zirel {
namespace {

using test::CUBIC_10;
using test::settings;
constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float INF = std::numeric_limits<float>::infinity();

GenerationState prepare(const RunSettings& s) { return prepare_generation(s, build_metric(s.cell)); }

template <typename Next>
std::vector<Miller> drain(GenerationState state, Next next) {
  std::vector<Miller> out;
  while (auto m = next(state))
    out.push_back(*m);
  return out;
}

std::vector<Miller> generated(const RunSettings& s) { return drain(prepare(s), next_generated_reflection); }
std::vector<Miller> enumerated(const RunSettings& s) { return drain(prepare(s), next_enumerated_reflection); }

TEST(Generation, CubicCellStartsAtTheFirstReflectionInsideTwoPsiMax) {
  const RunSettings s = settings(CUBIC_10, 0.7093f, 40);
  EXPECT_EQ(prepare(s).index_bound, 22);
  const std::vector<Miller> all = generated(s);
  ASSERT_FALSE(all.empty());
  EXPECT_EQ(all.front(), (Miller{-18, -2, 0}));
  int largest = 0;
  for (const Miller& m : all)
    largest = std::max({largest, std::abs(m.h), std::abs(m.k), std::abs(m.l)});
  EXPECT_EQ(largest, 18);
  EXPECT_EQ(all, enumerated(s));
}

TEST(Generation, TwoThetaEqualToTheLimitIsYielded) {
  // Psi max = two_theta / 2 makes 2 Psi max equal the reflection's float two_theta exactly.
  const GenerationState probe = prepare(settings(CUBIC_10, 0.7093f, 40));
  const float d = d_spacing(probe.metric, {3, 4, 5});
  const float two_theta = std::asin(0.7093f / 2.0f / d) * (DEG_PER_RAD * 2.0f);
  auto contains = [](const std::vector<Miller>& v, Miller m) { return std::find(v.begin(), v.end(), m) != v.end(); };
  EXPECT_TRUE(contains(generated(settings(CUBIC_10, 0.7093f, two_theta / 2.0f)), Miller{3, 4, 5}));
  EXPECT_FALSE(contains(generated(settings(CUBIC_10, 0.7093f, std::nextafter(two_theta, 0.0f) / 2.0f)), Miller{3, 4, 5}));
}

TEST(Generation, WideOpeningYieldsTheWholeLimitingSphere) {
  const RunSettings s = settings(CUBIC_10, 1.5406f, 90);
  const int n = prepare(s).index_bound;
  int inside = 0;
  for (int h = -n; h <= n; ++h)
    for (int k = -n; k <= n; ++k)
      for (int l = -n; l <= n; ++l)
        inside += (h || k || l) && h * h + k * k + l * l <= 168;  // d >= lambda / 2 <=> |hkl| <= 12.98
  EXPECT_EQ(generated(s).size(), static_cast<size_t>(inside));
}

TEST(Generation, RestartsAndStaysEnded) {
  const RunSettings s = settings(test::MONOCLINIC, 1.0f, 25);
  GenerationState state = prepare(s);
  const std::vector<Miller> first = drain(state, next_generated_reflection);
  EXPECT_EQ(first, generated(s));
  while (next_generated_reflection(state)) {
  }
  EXPECT_FALSE(next_generated_reflection(state));
  EXPECT_FALSE(next_enumerated_reflection(state));
}

struct Degenerate {
  const char* what;
  RunSettings settings;
  int bound;
  bool limited;
};

TEST(Generation, AbsurdInputsEndAtOnceOrStayBounded) {
  const Degenerate cases[] = {
      {"wavelength too long for index 1", settings(CUBIC_10, 30.0f, 40), 0, false},
      {"Psi max 0", settings(CUBIC_10, 0.7093f, 0), 0, false},
      {"negative Psi max", settings(CUBIC_10, 0.7093f, -40), 0, false},
      {"zero wavelength", settings(CUBIC_10, 0.0f, 40), 0, false},
      {"negative wavelength", settings(CUBIC_10, -0.7093f, 40), 0, false},
      {"negative edges", settings({-10, -10, -10, 90, 90, 90}, 0.7093f, 40), 0, false},
      {"NaN wavelength", settings(CUBIC_10, NaN, 40), 0, false},
      {"NaN Psi max", settings(CUBIC_10, 0.7093f, NaN), 0, false},
      {"infinite Psi max", settings(CUBIC_10, 0.7093f, INF), 0, false},
      {"NaN edge", settings({10, NaN, 10, 90, 90, 90}, 0.7093f, 40), 0, false},
      {"singular cell", settings({10, 10, 10, 90, 90, 0}, 0.7093f, 40), 0, false},
      {"tiny wavelength", settings(CUBIC_10, 1e-30f, 40), INDEX_BOUND_LIMIT, true},
      {"huge cell", settings({1e15f, 1e15f, 1e15f, 90, 90, 90}, 0.7093f, 40), INDEX_BOUND_LIMIT, true},
  };
  for (const Degenerate& c : cases) {
    GenerationState state = prepare(c.settings);
    EXPECT_EQ(state.index_bound, c.bound) << c.what;
    EXPECT_EQ(state.bound_limited, c.limited) << c.what;
    if (c.bound == 0) {
      EXPECT_FALSE(next_generated_reflection(state)) << c.what;
      EXPECT_LE(state.visited, 1u) << c.what;
    }
  }
}

TEST(Generation, HugeCellScansOnlyTheSphereRows) {
  // Edges of 1e15 A put every index of the 999 cube on the sphere at once; the
  // first reflection must still come without a long scan, and be the enumeration's.
  const RunSettings s = settings({1e15f, 1e15f, 1e15f, 90, 90, 90}, 0.7093f, 40);
  GenerationState fast = prepare(s), plain = prepare(s);
  EXPECT_EQ(next_generated_reflection(fast), next_enumerated_reflection(plain));
}

TEST(Generation, FastGeneratorMatchesOnOddCells) {
  const RunSettings cases[] = {
      settings({10, 10, 10, 30, 30, 120}, 0.7093f, 40),     // impossible angles: G* indefinite
      settings({10, 12, 14, 60, 60, 119.9f}, 0.7093f, 40),  // nearly flat
      settings({40, 2, 2, 90, 90, 90}, 0.5f, 60),           // needle
      settings({5, 6, 7, 70, 80, 100}, 0.3f, 95),           // 2 Psi max beyond 180
      settings({3, 3, 3, 90, 90, 90}, 0.1f, 89.9f),         // Psi max just below 90
      settings(test::MONOCLINIC, 0.2903f, 40),              // n = 193, 58 million candidates
  };
  for (const RunSettings& s : cases)
    EXPECT_EQ(generated(s), enumerated(s)) << s.cell.a << ' ' << s.cell.alpha << ' ' << s.psi_max;
}

TEST(Generation, FastGeneratorMatchesThePlainEnumeration) {
  std::mt19937 rng(1234);
  std::uniform_real_distribution<float> wavelength(0.2f, 2.3f), psi(0.0f, 95.0f), axis(-3.0f, 3.0f);
  int sets = 0, rejected = 0;
  std::uint64_t fast_visits = 0, plain_visits = 0;
  while (sets < 220) {
    RunSettings s = settings(test::random_cell(rng), wavelength(rng), psi(rng),
                             sets % 2 ? AxisKind::HKL : AxisKind::UVW, {axis(rng), axis(rng), axis(rng)});
    GenerationState fast = prepare(s), plain = fast;
    const double side = 2.0 * fast.index_bound + 1.0;
    if (side * side * side > 1.2e6) {  // keep the plain reference affordable
      ++rejected;
      continue;
    }
    ++sets;
    const std::vector<Miller> expected = drain(plain, next_enumerated_reflection);
    GenerationState counted = fast;
    std::vector<Miller> got;
    while (auto m = next_generated_reflection(counted))
      got.push_back(*m);
    ASSERT_EQ(got, expected) << "set " << sets << ": a=" << s.cell.a << " b=" << s.cell.b << " c=" << s.cell.c
                             << " lambda=" << s.wavelength << " psi=" << s.psi_max;
    // Both feed the same decisions downstream.
    const AccessibilityRun run = prepare_accessibility(s, fast.metric);
    for (size_t i = 0; i < got.size(); i += 97)
      EXPECT_NE(is_accessible(run, got[i].h, got[i].k, got[i].l), Accessibility::Skipped);
    fast_visits += counted.visited;
    plain_visits += static_cast<std::uint64_t>(side * side * side);
  }
  EXPECT_LT(rejected, 4 * sets);
  EXPECT_LT(fast_visits * 2, plain_visits);
}

}  // namespace
}  // namespace zirel
