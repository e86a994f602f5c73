// The four records of the settings file, written and read by the one module that
// the form and the batch tool share.
#include <gtest/gtest.h>

#include <string>
#include "filtering/settings_records.h"
#include "tests/filtering/settings_fixtures.h"

namespace zirel {
namespace {

using test::DEFAULT_FILE;

TEST(SettingsRecords, DefaultsAreWrittenInTheirColumns) {
  RunSettings s;
  set_default_settings(s);
  UnitTable table;
  std::string file;
  table.connect_memory_output(SETTINGS_UNIT, file);
  write_settings_records(table, SETTINGS_UNIT, s);
  table.close(SETTINGS_UNIT);
  EXPECT_EQ(file, DEFAULT_FILE);
}

TEST(SettingsRecords, WrittenRecordsReadBackTheSameValues) {
  RunSettings s;
  s.cell = {7.512f, 9.874f, 11.236f, 90.0f, 103.47f, 90.0f};
  s.wavelength = 0.2903f;
  s.psi_max = 35.5f;
  s.axis_kind = AxisKind::HKL;
  s.axis = {1.0f, -1.0f, 0.5f};
  s.input_kind = InputKind::Generated;
  s.output_kind = OutputKind::Shelx;
  UnitTable table;
  std::string file;
  table.connect_memory_output(SETTINGS_UNIT, file);
  write_settings_records(table, SETTINGS_UNIT, s);
  table.close(SETTINGS_UNIT);
  table.connect_memory_input(SETTINGS_UNIT, file);
  RunSettings back;
  const SettingsRead read = read_settings_records(table, SETTINGS_UNIT, back);
  EXPECT_EQ(read.status, IO_OK);
  EXPECT_EQ(read.record, 0);
  EXPECT_EQ(back.cell.b, s.cell.b);
  EXPECT_EQ(back.cell.beta, s.cell.beta);
  EXPECT_EQ(back.wavelength, s.wavelength);
  EXPECT_EQ(back.psi_max, s.psi_max);
  EXPECT_EQ(back.axis_kind, AxisKind::HKL);
  EXPECT_EQ(back.axis, s.axis);
  EXPECT_EQ(back.input_kind, InputKind::Generated);
  EXPECT_EQ(back.output_kind, OutputKind::Shelx);
}

TEST(SettingsRecords, FailingRecordIsNamed) {
  struct Case {
    const char* what;
    std::string bytes;
    IoStatus status;  // IO_END, or any error (> 0)
    int record;
    AxisKind axis_kind;  // what the settings hold afterwards
  };
  const Case cases[] = {
      {"empty", "", IO_END, 1, AxisKind::UVW},
      {"letters in the cell", "5 5 x 90 90 90\n", 1, 1, AxisKind::UVW},
      {"wavelength missing", "5 5 5 90 90 90\n", IO_END, 2, AxisKind::UVW},
      {"real axis kind", "5 5 5 90 90 90\n0.7 40\n1.5 0 0 1\n1 1\n", 1, 3, AxisKind::UVW},
      // Record 3 was read before record 4 failed: its axis kind stays.
      {"layouts unreadable", "5 5 5 90 90 90\n0.7 40\n1 0 0 1\n*****\n", 1, 4, AxisKind::HKL},
      {"all on one line", "5 5 5 90 90 90 0.7 40\n0.7 40\n0 0 0 1\n2 1\n", IO_OK, 0, AxisKind::UVW},
  };
  for (const Case& c : cases) {
    UnitTable table;
    table.connect_memory_input(SETTINGS_UNIT, c.bytes);
    RunSettings s;
    const SettingsRead read = read_settings_records(table, SETTINGS_UNIT, s);
    if (c.status > 0)
      EXPECT_GT(read.status, 0) << c.what;
    else
      EXPECT_EQ(read.status, c.status) << c.what;
    EXPECT_EQ(read.record, c.record) << c.what;
    EXPECT_EQ(s.axis_kind, c.axis_kind) << c.what;
  }
}

}  // namespace
}  // namespace zirel
