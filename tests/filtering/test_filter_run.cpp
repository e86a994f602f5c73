#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include "tests/filtering/filter_harness.h"
#include "filtering/reflection_layouts.h"
#include "tests/file_bytes.h"

namespace zirel {
namespace {

using test::cubic_settings;
using test::run_filter;

constexpr InputKind SHELX_IN = InputKind::Shelx;
constexpr InputKind CELLEX_IN = InputKind::Cellex;
constexpr OutputKind SHELX_OUT = OutputKind::Shelx;
constexpr OutputKind CELLEX_OUT = OutputKind::Cellex;

std::string read_data(const std::string& name) {
  const std::filesystem::path path = std::string(ZIREL_TEST_DATA) + "/layouts/" + name;
  EXPECT_TRUE(std::filesystem::is_regular_file(path)) << name;
  return test::file_bytes(path);
}

std::string shelx(int h, int k, int l, const char* i = "  100.0", const char* s = "    1.0") {
  char line[64];
  std::snprintf(line, sizeof line, "%4d%4d%4d %s %s\r\n", h, k, l, i, s);
  return line;
}

// 1 0 0 lies in the plane normal to the axis (accessible); 0 0 1 lies along it (not).
constexpr int ACCESSIBLE[3] = {1, 0, 0};
constexpr int NOT_ACCESSIBLE[3] = {0, 0, 1};

TEST(FilterLayouts, AllFourCombinationsByteForByte) {
  struct Case {
    const char* input;
    InputKind in;
    OutputKind out;
    const char* expected;
    const char* final_text;
  };
  const Case cases[] = {
      {"input.hkl", SHELX_IN, SHELX_OUT, "shelx_to_shelx.hkl",
       "PROGRAM COMPLETED:     8 REFLECTIONS INPUT    6 OUTPUT"},
      {"input.hkl", SHELX_IN, CELLEX_OUT, "shelx_to_cellex.abs",
       "PROGRAM COMPLETED:     8 REFLECTIONS INPUT    6 OUTPUT"},
      {"input.abs", CELLEX_IN, SHELX_OUT, "cellex_to_shelx.hkl",
       "PROGRAM COMPLETED:     7 REFLECTIONS INPUT    6 OUTPUT"},
      {"input.abs", CELLEX_IN, CELLEX_OUT, "cellex_to_cellex.abs",
       "PROGRAM COMPLETED:     7 REFLECTIONS INPUT    6 OUTPUT"},
  };
  for (const Case& c : cases) {
    const auto r = run_filter(read_data(c.input), cubic_settings(c.in, c.out));
    EXPECT_EQ(r.output, read_data(c.expected)) << c.expected;
    EXPECT_EQ(r.sink.final_text(), c.final_text) << c.expected;
    EXPECT_FALSE(r.counts.run_failed);
  }
}

TEST(FilterLayouts, WorkedRecordInBothLayouts) {
  const std::string in = "   1   0   0  1234.5    12.3\r\n";
  EXPECT_EQ(run_filter(in, cubic_settings(SHELX_IN, SHELX_OUT)).output,
            "   1   0   0 1234.50 12.3000\r\n");
  EXPECT_EQ(run_filter(in, cubic_settings(SHELX_IN, CELLEX_OUT)).output,
            "  1  0  0 35.135452 0.175   0.00000    0\r\n");
}

TEST(FilterLayouts, OversizedUncertaintyIsReplaced) {
  const std::string in = "   1   0   0    -3.21234567.\r\n   2   0   0 12345.0 99999.9\r\n";
  EXPECT_EQ(run_filter(in, cubic_settings(SHELX_IN, SHELX_OUT)).output,
            "   1   0   0 -3.2000 999999.\r\n   2   0   0 12345.0 99999.9\r\n");
  EXPECT_EQ(run_filter(in, cubic_settings(SHELX_IN, CELLEX_OUT)).output,
            "  1  0  0 0.0000000 1.000   0.00000    0\r\n  2  0  0 111.10806 450.0   0.00000    0\r\n");
}

TEST(FilterRun, TerminatorIsCountedAndNotWritten) {
  std::string in;
  int accessible = 0;
  const RunSettings s = cubic_settings(SHELX_IN, SHELX_OUT);
  const AccessibilityRun access = prepare_accessibility(s, build_metric(s.cell));
  for (int i = 0; i < 120; ++i) {
    const int h = i % 7 - 3, k = i / 7 % 5 - 2, l = i / 35 + 1;
    in += shelx(h, k, l);
    accessible += is_accessible(access, h, k, l) == Accessibility::Accessible;
  }
  ASSERT_GT(accessible, 0);
  const auto without = run_filter(in, s);
  const auto with = run_filter(in + "   0   0   0    0.00    0.00\r\n" + shelx(1, 0, 0), s);
  char expected[80];
  std::snprintf(expected, sizeof expected, "PROGRAM COMPLETED:   120 REFLECTIONS INPUT%5d OUTPUT", accessible);
  EXPECT_EQ(without.sink.final_text(), expected);
  std::snprintf(expected, sizeof expected, "PROGRAM COMPLETED:   121 REFLECTIONS INPUT%5d OUTPUT", accessible);
  EXPECT_EQ(with.sink.final_text(), expected);
  EXPECT_EQ(with.output, without.output);  // nothing after the terminator, and no terminator
  EXPECT_EQ(std::count(with.output.begin(), with.output.end(), '\n'), accessible);
}

TEST(FilterRun, EndOfData) {
  const RunSettings s = cubic_settings(SHELX_IN, SHELX_OUT);
  struct Case {
    std::string input;
    int read, written;
  };
  const Case cases[] = {
      {"", 0, 0},
      {shelx(1, 0, 0) + "\r\n" + shelx(1, 0, 0), 2, 1},      // a blank line reads as 0 0 0
      {shelx(1, 0, 0) + "            99.0\n" + shelx(1, 0, 0), 2, 1},  // blank indices too
      {shelx(1, 0, 0) + "   1   0   0  100.0    1.0", 2, 2},  // last line without LF
  };
  for (const Case& c : cases) {
    const auto r = run_filter(c.input, s);
    EXPECT_EQ(r.counts.records_read, c.read) << c.input;
    EXPECT_EQ(r.counts.reflections_output, c.written) << c.input;
    EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), c.written);
  }
  EXPECT_EQ(run_filter("", s).sink.final_text(), "PROGRAM COMPLETED:     0 REFLECTIONS INPUT    0 OUTPUT");
}

TEST(FilterRun, ReadErrorKeepsEarlierRecords) {
  std::string in = shelx(1, 0, 0) + shelx(0, 0, 1) + shelx(0, 1, 0) + shelx(2, 0, 0) +
                   shelx(3, 0, 0, "  1x0.0") + shelx(4, 0, 0);
  for (OutputKind out : {SHELX_OUT, CELLEX_OUT}) {
    const auto r = run_filter(in, cubic_settings(SHELX_IN, out));
    EXPECT_TRUE(r.counts.run_failed);
    EXPECT_EQ(r.sink.texts.back(), "  ERROR READING FILE AFTER LINE     4" + std::string(43, ' '));
    EXPECT_EQ(r.counts.reflections_output, 3);
    EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 3);
  }
  const auto cellex = run_filter("  1  0  0   35.1355 0.175   0.00000    0\r\n  2  0  0   35.1355 0.175   0.00000  1.5\r\n",
                                 cubic_settings(CELLEX_IN, SHELX_OUT));
  EXPECT_TRUE(cellex.counts.run_failed);
  EXPECT_EQ(cellex.sink.final_text(), "  ERROR READING FILE AFTER LINE     1");
}

// Only inconsistent geometry makes |cos psi| exceed its tolerance; an axis length
// taken as half its true value stands in for it here. Such a reflection is counted
// as read and never written.
TEST(FilterRun, SkippedReflectionIsNeverWritten) {
  const RunSettings s = cubic_settings(SHELX_IN, SHELX_OUT);
  AccessibilityRun access = prepare_accessibility(s, build_metric(s.cell));
  access.axis_norm = access.axis_norm / 2.0f;
  ASSERT_EQ(is_accessible(access, 0, 0, 1), Accessibility::Skipped);
  ASSERT_EQ(is_accessible(access, 1, 0, 0), Accessibility::Accessible);
  const auto r = run_filter(shelx(0, 0, 1) + shelx(1, 0, 0) + shelx(0, 0, -2), s, access);
  EXPECT_EQ(r.output, "   1   0   0 100.000 1.00000\r\n");
  EXPECT_EQ(r.sink.final_text(), "PROGRAM COMPLETED:     3 REFLECTIONS INPUT    1 OUTPUT");
}

TEST(FilterRun, ProgressTextsCountEveryRecordButTheTerminator) {
  const std::string in = shelx(1, 0, 0) + shelx(0, 0, 1) + "   0   0   0    0.00    0.00\r\n";
  const auto r = run_filter(in, cubic_settings(SHELX_IN, SHELX_OUT), true);
  ASSERT_EQ(r.sink.texts.size(), 3u);
  EXPECT_EQ(r.sink.texts[0], "PROCESSING REFLECTION     1" + std::string(53, ' '));
  EXPECT_EQ(r.sink.texts[1].substr(0, 27), "PROCESSING REFLECTION     2");
  for (const std::string& t : r.sink.texts)
    EXPECT_EQ(t.size(), 80u);
  // Without progress only the final text arrives.
  EXPECT_EQ(run_filter(in, cubic_settings(SHELX_IN, SHELX_OUT)).sink.texts.size(), 1u);
}

TEST(FilterRun, GeneratedRecordsInBothLayouts) {
  RunSettings s = cubic_settings(InputKind::Generated, SHELX_OUT);
  const auto shelx_out = run_filter("", s);
  s.output_kind = CELLEX_OUT;
  const auto cellex_out = run_filter("", s);
  ASSERT_GT(shelx_out.counts.reflections_output, 0);
  EXPECT_EQ(shelx_out.counts.records_read, cellex_out.counts.records_read);
  EXPECT_EQ(shelx_out.output.substr(12, 18), " 0.00000 0.00000\r\n");
  EXPECT_EQ(cellex_out.output.substr(9, 33), " 0.0000000 1.000   0.00000    0\r\n");
  // The first generated reflection of this cell is -18 -2 0 (all of them lie inside I3).
  EXPECT_EQ(shelx_out.output.substr(0, 12), " -18  -2   0");
}

// Values and indices too wide for their fields are left out and counted apart, so the
// output count is the number of records in the file.
TEST(FilterMends, TooLargeToWriteIsNotCountedAsOutput) {
  RunSettings big = cubic_settings(SHELX_IN, SHELX_OUT);
  big.cell = UnitCell{2000, 2000, 2000, 90, 90, 90};  // index 100 and 1000 lie inside the sphere
  const std::string in = shelx(1, 0, 0, "1.0E+07") + shelx(1, 0, 0) + shelx(1000, 0, 0) +
                         shelx(-100, 0, 0) + shelx(999, 0, 0);
  const auto to_shelx = run_filter(in, big);
  // Only the intensity of 1e7 is too wide for F7; every index fits I4.
  EXPECT_EQ(to_shelx.counts.reflections_output, 4);
  EXPECT_EQ(to_shelx.counts.too_large, 1);
  EXPECT_EQ(to_shelx.sink.final_text(),
            "PROGRAM COMPLETED:     5 REFLECTIONS INPUT    4 OUTPUT    1 TOO LARGE TO WRITE");
  big.output_kind = CELLEX_OUT;
  const auto to_cellex = run_filter(in, big);
  // F = 3162.3 fits F9; -100 and 1000 do not fit I3.
  EXPECT_EQ(to_cellex.counts.reflections_output, 3);
  EXPECT_EQ(to_cellex.counts.too_large, 2);
  EXPECT_EQ(to_cellex.sink.final_text(),
            "PROGRAM COMPLETED:     5 REFLECTIONS INPUT    3 OUTPUT    2 TOO LARGE TO WRITE");
  EXPECT_EQ(std::count(to_cellex.output.begin(), to_cellex.output.end(), '*'), 0);
}

// An amplitude whose square is beyond single precision has no intensity to write.
TEST(FilterMends, AmplitudeBeyondSinglePrecisionIsTooLarge) {
  const std::string in = "  1  0  0   1.0E+30   1.0   0.00000    0\r\n  2  0  0      10.0   1.0   0.00000    0\r\n";
  for (OutputKind out : {SHELX_OUT, CELLEX_OUT}) {
    const auto r = run_filter(in, cubic_settings(CELLEX_IN, out));
    EXPECT_EQ(r.counts.reflections_output, 1);
    EXPECT_EQ(r.counts.too_large, 1);
    EXPECT_EQ(r.output.substr(0, 12), out == SHELX_OUT ? "   2   0   0" : "  2  0  0 10");
  }
}

// A pass-through real that fills its ten input columns keeps its value on the way
// out, with fewer decimals, instead of turning into asterisks.
TEST(FilterMends, WidePassThroughRealKeepsItsValue) {
  struct Case {
    const char* field;  // columns 26-35 of the Cellex record
    const char* written;
  };
  // The value is a float: 12345.6789 is held as 12345.6787109375.
  const Case cases[] = {{"   1.23456", "   1.23456"},
                        {"12345.6789", "12345.6787"},
                        {"1234567890", "12345.6787"},  // five implied decimals
                        {"-1234.5678", "-1234.5677"},
                        {"   1.0E+08", "100000000."}};
  for (const Case& c : cases) {
    const std::string in = std::string("  1  0  0      10.0   1.0") + c.field + "    7\r\n";
    const auto r = run_filter(in, cubic_settings(CELLEX_IN, CELLEX_OUT));
    EXPECT_EQ(r.output, std::string("  1  0  0 10.000000 1.000") + c.written + "    7\r\n") << c.field;
  }
  const auto huge = run_filter("  1  0  0      10.0   1.0   1.0E+10    7\r\n",
                               cubic_settings(CELLEX_IN, CELLEX_OUT));
  EXPECT_EQ(huge.output, "");
  EXPECT_EQ(huge.counts.too_large, 1);
}

// Diffractometer software writes a batch number (and direction cosines) after the
// 28 columns; asked to keep them, a SHELX record carries them on unchanged.
TEST(FilterMends, ShelxRecordKeepsItsExtraColumnsWhenAsked) {
  const std::string in =
      "   1   0   0  1234.5    12.3   3\r\n"
      "   2   0   0    10.0     1.0  12 -0.98765 0.12345\r\n"
      "   3   0   0    10.0     1.0\r\n"
      "   4   0   0    10.0     1.0\n";
  const std::string plain =
      "   1   0   0 1234.50 12.3000\r\n   2   0   0 10.0000 1.00000\r\n"
      "   3   0   0 10.0000 1.00000\r\n   4   0   0 10.0000 1.00000\r\n";
  struct Case {
    bool keep;
    std::string expected;
  };
  const Case cases[] = {
      {false, plain},
      {true,
       "   1   0   0 1234.50 12.3000   3\r\n   2   0   0 10.0000 1.00000  12 -0.98765 0.12345\r\n"
       "   3   0   0 10.0000 1.00000\r\n   4   0   0 10.0000 1.00000\r\n"},
  };
  for (const Case& c : cases) {
    std::string out;
    UnitTable table;
    table.connect_memory_input(INPUT_UNIT, in);
    table.connect_memory_output(OUTPUT_UNIT, out);
    ReflectionFile source(table, INPUT_UNIT, SHELX_IN);
    ReflectionSink sink(table, OUTPUT_UNIT, SHELX_OUT, c.keep);
    Reflection r;
    while (source.next(r) == IO_OK)
      sink.write(r);
    table.close(OUTPUT_UNIT);
    EXPECT_EQ(out, c.expected) << c.keep;
  }
  // Cellex input has no extra columns to give.
  UnitTable table;
  table.connect_memory_input(INPUT_UNIT, "  1  0  0      10.0   1.0   0.00000    7 extra\r\n");
  Reflection r;
  ASSERT_EQ(read_reflection(table, INPUT_UNIT, CELLEX_IN, r), IO_OK);
  EXPECT_EQ(r.extra_columns, "");
}

TEST(FilterMends, NegativeAmplitudeNeverGivesNegativeUncertainty) {
  Reflection r;
  set_from_amplitude(r, -12.25f, 1.5f);
  EXPECT_EQ(r.intensity, 150.0625f);
  EXPECT_EQ(r.sigma_intensity, 36.75f);
  const Amplitude a = amplitude_of(r);
  EXPECT_EQ(a.f, 12.25f);
  EXPECT_EQ(a.sigma_f, 1.5f);
}

TEST(FilterMends, LayoutFollowsNameInAnyCase) {
  struct Case {
    const char* name;
    bool shelx;
  };
  const Case cases[] = {{"data.hkl", true}, {"DATA.HKL", true}, {"run.Hkl.bak", true},
                        {"/x/y.hkl/out", true}, {"data.abs", false}, {"hkl", false},
                        {"data.hk", false}, {"", false}};
  for (const Case& c : cases) {
    EXPECT_EQ(input_kind_for_name(c.name), c.shelx ? SHELX_IN : CELLEX_IN) << c.name;
    EXPECT_EQ(output_kind_for_name(c.name), c.shelx ? SHELX_OUT : CELLEX_OUT) << c.name;
  }
}

}  // namespace
}  // namespace zirel
