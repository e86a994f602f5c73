#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/recio/fatal_catcher.h"
#include "recio/statement.h"

namespace zirel {
namespace {

constexpr int32_t IN = 1, OUT = 2;
const RecordFormat SHELX_IN("(3I4,F8.0,F8.0)");
const RecordFormat SHELX_OUT("(3I4,TR1,F7.d1,TR1,F7.d2)");
const RecordFormat CELLEX_IN("(3I3,F10.0,F6.0,F10.5,I5)");
const RecordFormat CELLEX_OUT("(3I3,TR1,F9.d1,TR1,F5.d2,F10.5,I5)");

struct Reflection {
  int32_t h = -99, k = -99, l = -99;
  float a = -99, b = -99;
};

IoStatus read_shelx(UnitTable& t, Reflection& r) {
  return read_formatted(t, IN, SHELX_IN, {r.h, r.k, r.l, r.a, r.b}, {.err = true, .end = true});
}

TEST(FormattedReadTest, ShelxRecords) {
  struct { const char* text; IoStatus status; Reflection want; } cases[] = {
      {"   1   2   3  123.45    1.23\r\n", IO_OK, {1, 2, 3, 123.45f, 1.23f}},
      {"   1   2   3  123.45    1.23\n", IO_OK, {1, 2, 3, 123.45f, 1.23f}},
      {"   1   2   3  123.45    1.23", IO_OK, {1, 2, 3, 123.45f, 1.23f}},
      {"   1   2   3\n", IO_OK, {1, 2, 3, 0.0f, 0.0f}},
      {"-1,2,3,4.5,6\n", IO_OK, {-1, 2, 3, 4.5f, 6.0f}},
      {"\n", IO_OK, {0, 0, 0, 0.0f, 0.0f}},
      {"   1   2   3   1.5E2      -2\n", IO_OK, {1, 2, 3, 150.0f, -2.0f}},
      {"1.0    2   3\n", 64, {}},
      {"   1   2   3   12.x5\n", 64, {1, 2, 3, -99, -99}},
      {"", IO_END, {}},
  };
  for (const auto& c : cases) {
    UnitTable t;
    t.connect_memory_input(IN, c.text);
    Reflection r;
    EXPECT_EQ(read_shelx(t, r), c.status) << c.text;
    if (c.status == IO_OK || c.status == 64) {
      Reflection w = c.want;
      EXPECT_EQ(r.h, w.h) << c.text;
      EXPECT_EQ(r.k, w.k) << c.text;
      EXPECT_EQ(r.l, w.l) << c.text;
      EXPECT_EQ(r.a, w.a) << c.text;
      EXPECT_EQ(r.b, w.b) << c.text;
    }
  }
}

TEST(FormattedReadTest, LastLineWithoutLineFeedThenEndOfFile) {
  UnitTable t;
  t.connect_memory_input(IN, "   1   2   3     1.0     2.0\r\n  -4  -5  -6     3.0     4.0");
  Reflection r;
  EXPECT_EQ(read_shelx(t, r), IO_OK);
  EXPECT_EQ(read_shelx(t, r), IO_OK);
  EXPECT_EQ(r.h, -4);
  EXPECT_EQ(r.b, 4.0f);
  EXPECT_EQ(read_shelx(t, r), IO_END);
  EXPECT_EQ(read_shelx(t, r), IO_END);
}

TEST(FormattedReadTest, CellexRecordAndImpliedDecimals) {
  UnitTable t;
  t.connect_memory_input(IN, "  1 -2  3     123.5  4.25     12345    7\n");
  int32_t h, k, l, n;
  float f, s, x;
  ASSERT_EQ(read_formatted(t, IN, CELLEX_IN, {h, k, l, f, s, x, n}, {.err = true}), IO_OK);
  EXPECT_EQ(h, 1);
  EXPECT_EQ(k, -2);
  EXPECT_EQ(f, 123.5f);
  EXPECT_EQ(s, 4.25f);
  EXPECT_EQ(x, 0.12345f);
  EXPECT_EQ(n, 7);
}

TEST(FormattedReadTest, SlashReversionAndSkip) {
  UnitTable t;
  t.connect_memory_input(IN, "12xx34\n56\n78\n90\n");
  int32_t v[4] = {};
  ASSERT_EQ(read_formatted(t, IN, RecordFormat("(I2,TR2,I2/I2)"), {v}), IO_OK);
  EXPECT_EQ(v[0], 12);
  EXPECT_EQ(v[1], 34);
  EXPECT_EQ(v[2], 56);
  EXPECT_EQ(v[3], 78);  // the format starts again on a new record
  int32_t last = 0;
  ASSERT_EQ(read_formatted(t, IN, RecordFormat("(I2)"), {last}), IO_OK);
  EXPECT_EQ(last, 90);
}

TEST(FormattedReadTest, ConditionsWithoutBranchesAreFatal) {
  UnitTable t;
  t.connect_memory_input(IN, "   x\n", "data.hkl");
  Reflection r;
  test::Fatal f = test::fatal_of([&] { read_formatted(t, IN, SHELX_IN, {r.h}, {.end = true}); });
  EXPECT_EQ(f.severity, "severe");
  EXPECT_EQ(f.number, 64);
  EXPECT_EQ(f.message, "input conversion error, unit 1, file data.hkl");
  // End of file is fatal without an end branch, even with an error branch.
  f = test::fatal_of([&] { read_formatted(t, IN, SHELX_IN, {r.h}, {.err = true}); });
  EXPECT_EQ(f.number, 24);
  EXPECT_EQ(f.message, "end-of-file during read, unit 1, file data.hkl");
  EXPECT_TRUE(t.is_connected(IN));
  f = test::fatal_of([&] { read_formatted(t, 9, SHELX_IN, {r.h}); });
  EXPECT_EQ(f.number, 30);
}

struct Written {
  const char* format;
  DecimalsSource decimals;
  const char* text;
};

TEST(FormattedWriteTest, RecordsEndWithCrLf) {
  UnitTable t;
  std::string sink;
  t.connect_memory_output(OUT, sink);
  int32_t h = 1, k = -2, l = 13;
  float a = 123.456f, b = 0.5f;
  write_formatted(t, OUT, SHELX_OUT, {h, k, l, a, b}, {2, 3});
  write_formatted(t, OUT, CELLEX_OUT, {h, k, l, a, b, 0.7093f, 1000}, {1, 2});
  float cell[6] = {5, 5, 5, 90, 90, 90};
  write_formatted(t, OUT, RecordFormat("(6F10.5)"), {cell});
  write_formatted(t, OUT, RecordFormat("('   Determinant of Metric tensor = ',F10.4/'   Program halted')"),
                  {-0.0f});
  write_formatted(t, OUT, RecordFormat("(I3,TR5)"), {1000});
  EXPECT_EQ(sink,
            "   1  -2  13  123.46   0.500\r\n"
            "  1 -2 13     123.5  0.50   0.70930 1000\r\n"
            "   5.00000   5.00000   5.00000  90.00000  90.00000  90.00000\r\n"
            "   Determinant of Metric tensor =     0.0000\r\n"
            "   Program halted\r\n"
            "***\r\n");
}

TEST(FormattedWriteTest, InternalWrites) {
  struct { const char* format; float value; std::string text; } reals[] = {
      {"(F6.4)", 0.7093f, "0.7093    "}, {"(F6.3)", 40.0f, "40.000    "},
      {"(F10.5)", 5.0f, "   5.00000"}, {"(F6.4)", 10.0f, "******    "},
  };
  for (const auto& c : reals) {
    char buffer[10];
    write_internal(buffer, RecordFormat(c.format), {c.value});
    EXPECT_EQ(std::string(buffer, 10), c.text) << c.format;
  }
  char status[80];
  write_internal(status, RecordFormat("('PROGRAM COMPLETED: ',I5,' REFLECTIONS INPUT',I5,' OUTPUT')"),
                 {123456, 42});
  EXPECT_EQ(std::string(status, 80),
            "PROGRAM COMPLETED: ***** REFLECTIONS INPUT   42 OUTPUT" + std::string(26, ' '));
}

TEST(FormattedWriteTest, InternalOverflow) {
  char buffer[10];
  EXPECT_EQ(write_internal(buffer, RecordFormat("(2F6.2)"), {1.0f, 2.0f}, {}, {.err = true}), 66);
  EXPECT_EQ(write_internal(buffer, RecordFormat("(I2/I2)"), {1, 2}, {}, {.err = true}), 66);
  test::Fatal f = test::fatal_of([&] { write_internal(buffer, RecordFormat("(2F6.2)"), {1.0f, 2.0f}); });
  EXPECT_EQ(f.number, 66);
  EXPECT_EQ(f.message, "output statement overflows record, unit -5, file Internal Formatted Write");
}

TEST(FormattedWriteTest, ItemsThatDoNotMatchAreProgrammingErrors) {
  char buffer[10];
  int32_t i = 0;
  float x = 0;
  EXPECT_THROW(write_internal(buffer, RecordFormat("(F6.2)"), {i}), std::logic_error);
  EXPECT_THROW(write_internal(buffer, RecordFormat("(I6)"), {x}), std::logic_error);
  EXPECT_THROW(write_internal(buffer, RecordFormat("(F6.d1)"), {x}, {-1}), std::logic_error);
  EXPECT_THROW(write_internal(buffer, RecordFormat("('a')"), {x}), std::logic_error);
}

// Reading and writing walk the format the same way: a slash or the end of the
// format with items left starts a new record, and items after the last value
// are written up to the next data descriptor.
TEST(FormattedWriteTest, SlashAndReversionStartNewRecords) {
  struct { const char* format; std::vector<int32_t> values; const char* text; } cases[] = {
      {"(2I3)", {1, 2, 3, 4, 5}, "  1  2\r\n  3  4\r\n  5\r\n"},
      {"('a',I2,'b')", {1, 2}, "a 1b\r\na 2b\r\n"},
      {"(I2/I2)", {1, 2, 3}, " 1\r\n 2\r\n 3\r\n\r\n"},
      {"(I2,TR2,I2)", {7}, " 7\r\n"},
      {"(I2)", {}, "\r\n"},
  };
  for (const auto& c : cases) {
    UnitTable t;
    std::string sink;
    t.connect_memory_output(OUT, sink);
    std::vector<int32_t> values = c.values;
    write_formatted(t, OUT, RecordFormat(c.format), {std::span<int32_t>(values)});
    EXPECT_EQ(sink, c.text) << c.format;
  }
}

TEST(MemoryUnitTest, InputRefusesWritesAndASinkHasNothingToRead) {
  UnitTable t;
  t.connect_memory_input(IN, "  1\n  2\n", "in.dat");
  const RecordFormat I3("(I3)");
  int32_t v = 0;
  EXPECT_EQ(write_formatted(t, IN, I3, {5}, {}, {.err = true}), 9);
  ASSERT_EQ(read_formatted(t, IN, I3, {v}), IO_OK);
  ASSERT_EQ(read_formatted(t, IN, I3, {v}), IO_OK);
  EXPECT_EQ(v, 2);
  t.rewind(IN);
  ASSERT_EQ(read_formatted(t, IN, I3, {v}), IO_OK);
  EXPECT_EQ(v, 1);

  std::string sink = "left over";
  t.connect_memory_output(OUT, sink);
  write_formatted(t, OUT, I3, {1});
  write_formatted(t, OUT, I3, {2});
  EXPECT_EQ(read_formatted(t, OUT, I3, {v}, {.end = true}), IO_END);
  t.rewind(OUT);
  EXPECT_EQ(sink, "left over  1\r\n  2\r\n");  // cut only by the next write
  write_formatted(t, OUT, I3, {3});
  EXPECT_EQ(sink, "  3\r\n");
}

}  // namespace
}  // namespace zirel
