#include <gtest/gtest.h>
#include <stdexcept>
#include <string>

#include "tests/recio/fatal_catcher.h"
#include "recio/statement.h"

namespace zirel {
namespace {

std::string field20(std::string s) {
  s.resize(20, ' ');
  return s;
}

TEST(InternalListReadTest, OneRealFromAnEditField) {
  struct { const char* text; IoStatus status; float value; } cases[] = {
      {"0.7093", IO_OK, 0.7093f}, {"  5", IO_OK, 5.0f},   {"1e-3", IO_OK, 0.001f},
      {"1,2", IO_OK, 1.0f},       {"1 2", IO_OK, 1.0f},   {"\t-2.5D1", IO_OK, -25.0f},
      {"", IO_END, 7.0f},         {",", IO_OK, 7.0f},     {"/", IO_OK, 7.0f},
      {"  ,3", IO_OK, 7.0f},      {"abc", 64, 7.0f},      {"*****", 64, 7.0f},
      {"(1.0)", 59, 7.0f},        {"'1'", 59, 7.0f},      {"2*3.5", IO_OK, 3.5f},
      {"2*", IO_OK, 7.0f},        {"0*1", 59, 7.0f},      {"x*1", 64, 7.0f},
      {"1.5/", IO_OK, 1.5f},      {"1.5e", 64, 7.0f},
  };
  for (const auto& c : cases) {
    std::string text = field20(c.text);
    float v = 7.0f;
    EXPECT_EQ(read_internal_list(text, {v}, {.err = true, .end = true}), c.status) << c.text;
    EXPECT_EQ(v, c.value) << c.text;
  }
}

TEST(InternalListReadTest, FatalReportsNameTheTextBuffer) {
  float v = 0;
  std::string blank = field20("");
  test::Fatal f = test::fatal_of([&] { read_internal_list(blank, {v}); });
  EXPECT_EQ(f.number, 24);
  EXPECT_EQ(f.unit, -5);
  EXPECT_EQ(f.message, "end-of-file during read, unit -5, file Internal List-Directed Read");
  std::string letters = field20("abc");
  EXPECT_EQ(test::fatal_of([&] { read_internal_list(letters, {v}); }).number, 64);
  std::string paren = field20("(");
  EXPECT_EQ(test::fatal_of([&] { read_internal_list(paren, {v}); }).number, 59);
}

struct Settings {
  float cell[6] = {-1, -1, -1, -1, -1, -1};
  float lambda_psi[2] = {-1, -1};
  int32_t kind = -1;
  float axis[3] = {-1, -1, -1};
  int32_t kinds[2] = {-1, -1};
};

TEST(ListReadTest, ValuesSpanRecordsAndTheRestIsSkipped) {
  UnitTable t;
  t.connect_memory_input(3, "5.0 6 7\r\n90, 90 ,90. 99 99\n0.7093 40 junk\n1 0 0 1\n2 1\n");
  Settings s;
  Branches err{.err = true};
  ASSERT_EQ(read_list(t, 3, {s.cell}, err), IO_OK);
  ASSERT_EQ(read_list(t, 3, {s.lambda_psi}, err), IO_OK);
  ASSERT_EQ(read_list(t, 3, {s.kind, s.axis}, err), IO_OK);
  ASSERT_EQ(read_list(t, 3, {s.kinds}, err), IO_OK);
  EXPECT_EQ(s.cell[0], 5.0f);
  EXPECT_EQ(s.cell[2], 7.0f);
  EXPECT_EQ(s.cell[3], 90.0f);
  EXPECT_EQ(s.cell[5], 90.0f);
  EXPECT_EQ(s.lambda_psi[0], 0.7093f);
  EXPECT_EQ(s.lambda_psi[1], 40.0f);
  EXPECT_EQ(s.kind, 1);
  EXPECT_EQ(s.axis[2], 1.0f);
  EXPECT_EQ(s.kinds[0], 2);
  EXPECT_EQ(s.kinds[1], 1);
}

TEST(ListReadTest, NullsSlashAndRepeats) {
  struct { const char* text; IoStatus status; float want[4]; } cases[] = {
      {"1,,3,4", IO_OK, {1, 0, 3, 4}},     {",2 3 4", IO_OK, {0, 2, 3, 4}},
      {"1 , , 3 4", IO_OK, {1, 0, 3, 4}},  {"1 2 /", IO_OK, {1, 2, 0, 0}},
      {"4*2.5", IO_OK, {2.5, 2.5, 2.5, 2.5}}, {"2*,3,4", IO_OK, {0, 0, 3, 4}},
      {"1,\n2\n\n3,4", IO_OK, {1, 2, 3, 4}}, {"1 2\n", IO_END, {1, 2, 0, 0}},
      {"1 2 x 4", 64, {1, 2, 0, 0}},       {"1 2 3*", IO_OK, {1, 2, 0, 0}},
  };
  for (const auto& c : cases) {
    UnitTable t;
    t.connect_memory_input(3, c.text);
    float v[4] = {0, 0, 0, 0};
    EXPECT_EQ(read_list(t, 3, {v}, {.err = true, .end = true}), c.status) << c.text;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(v[i], c.want[i]) << c.text << " value " << i;
  }
}

TEST(ListReadTest, IntegersRejectReals) {
  UnitTable t;
  t.connect_memory_input(3, "1.0\n");
  int32_t i = 5;
  EXPECT_EQ(read_list(t, 3, {i}, {.err = true}), 64);
  EXPECT_EQ(i, 5);
  test::Fatal f = test::fatal_of([&] { read_list(t, 3, {i}, {.err = true}); });
  EXPECT_EQ(f.number, 24);  // the file has ended: fatal without an end branch
}

TEST(ListWriteTest, OneTextBeginsWithABlank) {
  UnitTable t;
  std::string sink;
  t.connect_memory_output(DEFAULT_OUTPUT_UNIT, sink);
  write_list(t, "Error: dialog not found");
  EXPECT_EQ(sink, " Error: dialog not found\r\n");
}

}  // namespace
}  // namespace zirel
