#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <string>

#include "recio/edit.h"

namespace zirel {
namespace {

struct IntegerIn { const char* field; bool ok; int32_t value; };

TEST(EditTest, IntegerFields) {
  const IntegerIn cases[] = {
      {"  -7", true, -7},         {"    ", true, 0},          {"", true, 0},
      {" 1 2", true, 12},         {"1.0 ", false, 0},         {"  +5", true, 5},
      {"  - ", true, 0},          {"- 1 2", true, -12},       {"\t1", false, 0},
      {"12a", false, 0},          {"2147483647", true, 2147483647},
      {"-2147483648", true, INT32_MIN}, {"2147483648", false, 0},
      {"-2147483649", false, 0},  {"99999999999999999999", false, 0},
      {"1-", false, 0},           {"+-1", false, 0},
  };
  for (const auto& c : cases) {
    int32_t v = 4242;
    EXPECT_EQ(parse_integer_field(c.field, v), c.ok) << '"' << c.field << '"';
    if (c.ok) {
      EXPECT_EQ(v, c.value) << '"' << c.field << '"';
    }
  }
}

struct RealIn { const char* field; int decimals; bool ok; float value; };

TEST(EditTest, RealFields) {
  const RealIn cases[] = {
      {"  123.45", 0, true, 123.45f},    {"    1.23", 0, true, 1.23f},
      {"     12345", 5, true, 0.12345f}, {"    12345.", 5, true, 12345.0f},
      {"   12345", 0, true, 12345.0f},   {"   1.5E2", 0, true, 150.0f},
      {"1.5e2", 0, true, 150.0f},        {"1.5D2", 0, true, 150.0f},
      {"1.5d-2", 0, true, 0.015f},       {"1.5+2", 0, true, 150.0f},
      {"1.5-2", 0, true, 0.015f},        {"15E1", 1, true, 15.0f},
      {" 1 2 . 5 ", 0, true, 12.5f},     {"      ", 3, true, 0.0f},
      {"-", 0, true, 0.0f},              {"-0.5", 0, true, -0.5f},
      {"+.25", 0, true, 0.25f},          {"1.2.3", 0, false, 0},
      {"1.5E", 0, false, 0},             {"abc", 0, false, 0},
      {"1.5x", 0, false, 0},             {"\t1.5", 0, false, 0},
      {".", 0, false, 0},                {"E5", 0, false, 0},
      {"1e39", 0, false, 0},             {"1e-60", 0, true, 0.0f},
      {"3.4028235e38", 0, true, 3.4028235e38f},
      // Correct rounding straight to float: through a double this gives 1.0000001.
      {"1.00000005960464477550", 0, true, 1.00000011920928955078125f},
      {"0.1", 0, true, 0.1f},
  };
  for (const auto& c : cases) {
    float v = 42.0f;
    EXPECT_EQ(parse_real_field(c.field, c.decimals, v), c.ok) << '"' << c.field << '"';
    if (c.ok) {
      EXPECT_EQ(v, c.value) << '"' << c.field << '"';
    }
  }
}

TEST(EditTest, RealFieldWithManyDigitsRoundsOnce) {
  // 1 + 2^-24 (exactly half-way between two floats) plus a tiny bit far out:
  // rounds up, which needs every digit.
  std::string halfway = "1.000000059604644775390625";
  std::string above = halfway + std::string(200, '0') + "1";
  float v = 0;
  ASSERT_TRUE(parse_real_field(halfway, 0, v));
  EXPECT_EQ(v, 1.0f);  // tie goes to even
  ASSERT_TRUE(parse_real_field(above, 0, v));
  EXPECT_EQ(v, std::nextafter(1.0f, 2.0f));
}

TEST(EditTest, ListTokens) {
  int32_t i = 0;
  float r = 0;
  EXPECT_TRUE(parse_list_integer("-12", i));
  EXPECT_EQ(i, -12);
  EXPECT_FALSE(parse_list_integer("1.0", i));
  EXPECT_FALSE(parse_list_integer("-", i));
  EXPECT_FALSE(parse_list_integer("", i));
  EXPECT_TRUE(parse_list_real("5", r));
  EXPECT_EQ(r, 5.0f);
  EXPECT_TRUE(parse_list_real("1e-3", r));
  EXPECT_EQ(r, 0.001f);
  EXPECT_FALSE(parse_list_real("*****", r));
  EXPECT_FALSE(parse_list_real("+", r));
  EXPECT_FALSE(parse_list_real("", r));
}

std::string int_out(int w, int32_t v) {
  std::string f(size_t(w), '?');
  format_integer_field(f, v);
  return f;
}

std::string real_out(int w, int d, float v) {
  std::string f(size_t(w), '?');
  format_real_field(f, d, v);
  return f;
}

TEST(EditTest, IntegerOutput) {
  struct { int w; int32_t v; const char* text; } cases[] = {
      {3, 1000, "***"}, {3, -12, "-12"}, {5, 0, "    0"}, {5, 123456, "*****"},
      {4, -999, "-999"}, {4, -1000, "****"}, {11, INT32_MIN, "-2147483648"}, {1, 7, "7"},
  };
  for (const auto& c : cases) EXPECT_EQ(int_out(c.w, c.v), c.text) << c.v << " I" << c.w;
  EXPECT_TRUE(integer_fits(3, 999));
  EXPECT_FALSE(integer_fits(3, -100));
}

TEST(EditTest, RealOutput) {
  struct { int w, d; float v; const char* text; } cases[] = {
      {7, 4, 12.5f, "12.5000"},     {5, 0, 9999.0f, "9999."},
      {7, 0, 999999.0f, "999999."}, {10, 5, 0.5f, "   0.50000"},
      {6, 4, 0.7093f, "0.7093"},    {6, 3, 40.0f, "40.000"},
      {5, 2, 0.125f, " 0.12"},      {5, 2, 0.375f, " 0.38"},
      {3, 0, 2.5f, " 2."},          {3, 0, 3.5f, " 4."},
      {6, 2, -0.001f, "  0.00"},    {5, 4, 0.7093f, ".7093"},
      {6, 4, -0.7093f, "-.7093"},   {7, 4, -0.7093f, "-0.7093"},
      {6, 4, 10.0f, "******"},      {4, 4, 0.5f, "****"},
      {10, 5, 5.0f, "   5.00000"},  {10, 5, 90.0f, "  90.00000"},
      {10, 4, -1.0e-5f, "    0.0000"}, {7, 2, -1.005f, "  -1.00"},  // -1.00499999523...
      {9, 1, 123456.75f, " 123456.8"}, {9, 1, 0.05f, "      0.1"},  // 0.0500000007...
      {2, 0, 0.4f, "0."},           {1, 0, 0.4f, "."},
      {12, 0, 1.0e10f, "10000000000."}, {20, 0, 3.0e38f, "********************"},
      {5, 1, -0.0f, "  0.0"},       {4, 2, 0.994f, "0.99"}, {4, 2, 0.996f, "1.00"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(real_out(c.w, c.d, c.v), c.text) << c.v << " F" << c.w << '.' << c.d;
  EXPECT_EQ(real_out(41, 0, 3.0e38f), " 300000000549775575777803994281145270272.");
  EXPECT_TRUE(real_fits(6, 4, 0.7093f));
  EXPECT_FALSE(real_fits(6, 4, 10.0f));
  EXPECT_EQ(real_out(25, 22, 1.0f / 1024 / 1024 / 2), " 0.0000004768371582031250");
}

// Fewer cases under the sanitizers, which make every call many times slower.
#if defined(__SANITIZE_ADDRESS__)
constexpr int RANDOM_VALUES = 600'000;
#else
constexpr int RANDOM_VALUES = 2'000'000;
#endif

// Values of every kind the fast output path must get right: any bit pattern,
// measurement-like magnitudes, and exact binary fractions (the ties).
float random_value(std::mt19937_64& rng) {
  uint64_t r = rng();
  float v;
  switch (r % 4) {
    case 0: v = std::bit_cast<float>(uint32_t(r >> 32)); break;
    case 1: v = std::ldexp(float((r >> 8) & 0xffffff), int((r >> 40) % 64) - 64); break;
    case 2: v = float((r >> 8) & 0xfffff) / float(1u << ((r >> 40) % 16)); break;
    default: v = std::bit_cast<float>(uint32_t(0x2f000000u + (r >> 36) % 0x1d000000u)); break;
  }
  return (r >> 63) != 0 ? -v : v;
}

TEST(EditTest, FastRealOutputMatchesTheGeneralPath) {
  std::mt19937_64 rng(20240611);
  for (int i = 0; i < RANDOM_VALUES; ++i) {
    float v = random_value(rng);
    for (int w = 5; w <= 10; ++w) {
      int d = i % (w - 1);  // every d from 0 to w-2, in turn
      char fast[10], general[10];
      bool fast_fits = format_real_field({fast, size_t(w)}, d, v);
      bool general_fits = format_real_field_general({general, size_t(w)}, d, v);
      ASSERT_EQ(fast_fits, general_fits) << v << " F" << w << '.' << d;
      ASSERT_EQ(std::string_view(fast, size_t(w)), std::string_view(general, size_t(w)))
          << std::bit_cast<uint32_t>(v) << " F" << w << '.' << d;
    }
  }
}

TEST(EditTest, GeneralRealOutputAgreesWithTheLibrary) {
  // The library's exact fixed conversion rounds half-way cases to even too.
  std::mt19937_64 rng(7);
  for (int i = 0; i < RANDOM_VALUES / 50; ++i) {
    float v = std::fabs(random_value(rng));
    if (!std::isfinite(v)) continue;
    int d = i % 12;
    char text[400];
    auto r = std::to_chars(text, text + sizeof text, double(v), std::chars_format::fixed, d);
    std::string want(text, r.ptr);
    if (d == 0) want += '.';  // the library leaves out a point with nothing after it
    std::string got(want.size(), '?');
    ASSERT_TRUE(format_real_field_general(got, d, v)) << want;
    ASSERT_EQ(got, want);
  }
}

TEST(EditTest, RandomRealFieldsRoundLikeTheLibrary) {
  // Blank-padded digit strings with a point somewhere, or implied decimals:
  // the value must be the correctly rounded float of the decimal number.
  std::mt19937_64 rng(99);
  for (int i = 0; i < RANDOM_VALUES / 10; ++i) {
    uint64_t r = rng();
    int digits = 1 + int(r % 12), point = int((r >> 8) % 14) - 1, decimals = int((r >> 16) % 6);
    std::string number = (r >> 63) ? "-" : "";
    for (int k = 0; k < digits; ++k) {
      if (k == point) number += '.';
      number += char('0' + (rng() % 10));
    }
    std::string field = std::string((r >> 24) % 4, ' ') + number;
    std::string text = number;
    if (point < 0 || point >= digits) text += "e-" + std::to_string(decimals);
    float want = 0, got = 1;
    std::from_chars(text.data(), text.data() + text.size(), want);
    ASSERT_TRUE(parse_real_field(field, decimals, got)) << field;
    ASSERT_EQ(std::bit_cast<uint32_t>(got), std::bit_cast<uint32_t>(want)) << field << " d=" << decimals;
  }
}

}  // namespace
}  // namespace zirel
