// The cosine columns' reader against std::from_chars on every value an F8.5 cosine
// field can hold in the layout integration programs write, and against the general
// field reader on the other layouts.
#include <gtest/gtest.h>

#include <charconv>
#include <string>
#include "correction/beam_vectors.h"
#include "recio/edit.h"

namespace zirel::correction {
namespace {

// " d.ddddd" or "-d.ddddd" for a mantissa m < 200000 (a cosine is at most 1 in size,
// and the text stops the layout at 1.99999).
std::string field(char sign, uint32_t m) {
  std::string f(COSINE_WIDTH, '0');
  f[0] = sign;
  f[1] = char('0' + m / 100000);
  f[2] = '.';
  for (int i = 7; i >= 3; --i, m /= 10)
    f[i] = char('0' + m % 10);
  return f;
}

float from_chars_value(const std::string& f) {
  std::string text = f.substr(1);
  if (f[0] == '-')
    text = "-" + text;
  float v = 0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  EXPECT_EQ(r.ec, std::errc()) << text;
  return v;
}

// Six fields at a time, as a record holds them, over every mantissa and sign.
TEST(CosineFields, EveryUsualFieldIsReadAsFromChars) {
  int mismatches = 0;
  for (char sign : {' ', '-', '+'}) {
    for (uint32_t first = 0; first < 200000; first += 6) {
      std::string extra = "   1";
      Cosines expected{};
      for (uint32_t i = 0; i < 6; ++i) {
        const std::string f = field(sign, std::min<uint32_t>(first + i, 199999));
        extra += f;
        expected[i] = from_chars_value(f);
      }
      Cosines got{};
      ASSERT_EQ(read_cosines(extra, got), CosineRead::ok) << extra;
      for (int i = 0; i < 6; ++i) {
        // Bit for bit, the sign of a zero included.
        if (got[i] != expected[i] || std::signbit(got[i]) != std::signbit(expected[i]))
          if (++mismatches <= 5)
            ADD_FAILURE() << "field " << i << " of '" << extra << "': " << got[i] << " != " << expected[i];
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

// Other layouts of the same field go to the general reader and give its value.
struct OtherLayout {
  const char* name;
  const char* text;  // 8 columns
};
void PrintTo(const OtherLayout& l, std::ostream* os) { *os << l.name << " '" << l.text << "'"; }
class CosineFieldLayouts : public ::testing::TestWithParam<OtherLayout> {};
TEST_P(CosineFieldLayouts, ReadAsTheGeneralReaderDoes) {
  const std::string f = GetParam().text;
  ASSERT_EQ(f.size(), COSINE_WIDTH);
  float general = 0;
  ASSERT_TRUE(parse_real_field(f, int(COSINE_DECIMALS), general));
  Cosines c{};
  ASSERT_EQ(read_cosines("   1" + f + f + f + f + f + f, c), CosineRead::ok);
  for (double v : c)
    EXPECT_EQ(v, double(general));
}
INSTANTIATE_TEST_SUITE_P(Fields, CosineFieldLayouts,
                         ::testing::Values(OtherLayout{"implied_decimals", "  -12345"}, OtherLayout{"short", "    -0.5"},
                                           OtherLayout{"no_leading_digit", "  -.1234"},
                                           OtherLayout{"four_decimals", " -0.1234"},
                                           OtherLayout{"inner_blank", "- 0.1234"},
                                           OtherLayout{"exponent", " 1.0E-01"}, OtherLayout{"six_decimals", "0.123456"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zirel::correction
