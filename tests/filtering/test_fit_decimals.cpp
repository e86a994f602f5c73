#include <gtest/gtest.h>

#include <random>
#include "filtering/fit_decimals.h"
#include "recio/edit.h"

namespace zirel {
namespace {

std::string written(int width, float value) {
  const FitResult fit = fit_decimals(width, value);
  if (fit.failed)
    return "failed";
  std::string field(size_t(width), ' ');
  format_real_field(field, fit.decimals, value);
  return field;
}

TEST(FitDecimals, WorkedValues) {
  struct Case {
    int width;
    float value;
    const char* expected;
  };
  const Case cases[] = {
      {7, 1234.5f, "1234.50"},   {7, 0.0f, "0.00000"},     {7, 1.0f, "1.00000"},
      {7, 10.0f, "10.0000"},     // the digit count gives 4 decimals here
      {7, -12.5f, "-12.500"},    {7, 99.9999f, "100.000"}, {7, 123456.7f, "123457."},
      {7, 1000000.0f, "failed"}, {7, -3.2f, "-3.2000"},    {7, -99999.0f, "-99999."},
      {7, -100000.0f, "failed"}, {7, 999999.0f, "999999."}, {7, 0.0009f, "0.00090"},
      {9, 35.135452f, "35.135452"}, {9, 0.0f, "0.0000000"}, {5, 0.17505f, "0.175"},
      {5, 1.0f, "1.000"},        {5, 10000.0f, "failed"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(written(c.width, c.value), c.expected) << c.width << ' ' << c.value;
}

// Values a little below a power of ten: the 0.001 added first lifts them onto the power
// itself, and the digit count must then stop at 1.0 exactly (dividing 10.0 once more
// would give away a decimal the field has room for).
TEST(FitDecimals, JustBelowAPowerOfTenKeepsEveryDecimalThatFits) {
  struct Case {
    int width;
    float value;
    const char* expected;
  };
  const Case cases[] = {
      {7, 9.999f, "9.99900"},
      {7, 99.999f, "99.9990"},
      {7, 999.999f, "999.999"},
      {5, 9.999f, "9.999"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(written(c.width, c.value), c.expected) << c.width << ' ' << c.value;
}

// The digit count alone would pick one decimal for these, and the field would overflow.
TEST(FitDecimals, NeverPicksACountThatOverflows) {
  EXPECT_EQ(written(7, 100000.0f), "100000.");
  EXPECT_EQ(written(7, 99999.99f), "100000.");
  EXPECT_EQ(written(5, 1000.0f), "1000.");
  EXPECT_EQ(written(9, 10000000.0f), "10000000.");
  EXPECT_EQ(written(5, 9999.0f), "9999.");  // refused by the +0.001 step, yet it fits
}

TEST(FitDecimals, NotANumberOrInfinityFails) {
  EXPECT_TRUE(fit_decimals(7, std::numeric_limits<float>::quiet_NaN()).failed);
  EXPECT_TRUE(fit_decimals(7, std::numeric_limits<float>::infinity()).failed);
  EXPECT_TRUE(fit_decimals(7, -std::numeric_limits<float>::infinity()).failed);
}

// Over values of every magnitude: what is chosen always fits, and failure means that the
// value does not fit even without decimals.
TEST(FitDecimals, ChoiceFitsAcrossMagnitudes) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> mantissa(1.0f, 10.0f);
  std::uniform_int_distribution<int> exponent(-5, 8);
  for (int width : {5, 7, 9})
    for (int i = 0; i < 20000; ++i) {
      float v = mantissa(rng) * std::pow(10.0f, float(exponent(rng)));
      if (i % 3 == 0)
        v = -v;
      const FitResult fit = fit_decimals(width, v);
      if (fit.failed)
        EXPECT_FALSE(real_fits(width, 0, v)) << width << ' ' << v;
      else
        EXPECT_TRUE(real_fits(width, fit.decimals, v)) << width << ' ' << v;
    }
}

}  // namespace
}  // namespace zirel
