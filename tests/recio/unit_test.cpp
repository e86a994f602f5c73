#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <unistd.h>

#include "tests/recio/fatal_catcher.h"
#include "recio/statement.h"

namespace zirel {
namespace {

namespace fs = std::filesystem;

class UnitTest : public ::testing::Test {
protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("recio_unit_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string path(const char* name) const { return (dir_ / name).string(); }
  static std::string slurp(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static void spit(const std::string& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
  }
  fs::path dir_;
  UnitTable t;
};

const RecordFormat TWO_I5("(2I5)");

TEST_F(UnitTest, OldOnAMissingFile) {
  std::string name = path("missing.dat");
  EXPECT_EQ(t.open(3, name, "OLD", "", {.err = true}), 29);
  EXPECT_FALSE(t.is_connected(3));
  test::Fatal f = test::fatal_of([&] { t.open(3, name, "old"); });
  EXPECT_EQ(f.number, 29);
  EXPECT_EQ(f.message, "file not found, unit 3, file " + name);
}

TEST_F(UnitTest, OpenFailuresByCause) {
  struct { std::string name; const char* status; IoStatus want; } cases[] = {
      {"", "OLD", 43},
      {std::string(5000, 'x'), "REPLACE", 43},
      {path("no/such/dir/f.dat"), "REPLACE", 29},
      {dir_.string(), "OLD", 9},
      {path("ok.dat") + "      ", "REPLACE", IO_OK},
  };
  for (const auto& c : cases) EXPECT_EQ(t.open(4, c.name, c.status, "", {.err = true}), c.want) << c.name;
  EXPECT_EQ(t.file_name(4), path("ok.dat"));  // trailing blanks are not part of the name
  EXPECT_THROW(t.open(4, path("ok.dat"), "NEW"), std::logic_error);
}

TEST_F(UnitTest, ReplaceWritesCrLfRecordsAndCloseKeepsTheFile) {
  std::string name = path("out.hkl");
  spit(name, "old content that must go\n");
  ASSERT_EQ(t.open(2, name, "Replace"), IO_OK);
  write_formatted(t, 2, TWO_I5, {1, -2});
  write_formatted(t, 2, TWO_I5, {30, 40});
  t.close(2);
  t.close(2);  // not connected any more: nothing happens
  EXPECT_EQ(slurp(name), "    1   -2\r\n   30   40\r\n");
}

TEST_F(UnitTest, WriteAfterRewindCutsTheFile) {
  std::string name = path("settings.dat");
  spit(name, "1\n2\n3\n4\n5\n6\n");
  ASSERT_EQ(t.open(3, name, "old", "", {.err = true}), IO_OK);
  int32_t a = 0, b = 0;
  ASSERT_EQ(read_list(t, 3, {a, b}, {.err = true}), IO_OK);
  EXPECT_EQ(b, 2);
  t.rewind(3);
  for (int32_t i = 0; i < 4; ++i) write_formatted(t, 3, TWO_I5, {i, i});
  t.rewind(3);
  ASSERT_EQ(read_list(t, 3, {a, b}, {.err = true}), IO_OK);
  EXPECT_EQ(a, 0);
  t.close(3);
  EXPECT_EQ(slurp(name), "    0    0\r\n    1    1\r\n    2    2\r\n    3    3\r\n");
}

TEST_F(UnitTest, ReopeningTheSameFileKeepsThePosition) {
  std::string name = path("zirel.dat");
  ASSERT_EQ(t.open(3, name, "REPLACE"), IO_OK);
  write_formatted(t, 3, TWO_I5, {1, 2});
  write_formatted(t, 3, TWO_I5, {3, 4});
  t.rewind(3);
  int32_t a = 0, b = 0;
  ASSERT_EQ(read_list(t, 3, {a, b}), IO_OK);
  ASSERT_EQ(t.open(3, name + "   ", "OLD", "", {.err = true}), IO_OK);
  ASSERT_EQ(t.open(3, (dir_ / "." / "zirel.dat").string(), "REPLACE"), IO_OK);  // same file, other name
  ASSERT_EQ(read_list(t, 3, {a, b}), IO_OK);
  EXPECT_EQ(a, 3);
  // Another file on the same unit closes the first one.
  ASSERT_EQ(t.open(3, path("other.dat"), "REPLACE"), IO_OK);
  EXPECT_EQ(t.file_name(3), path("other.dat"));
  EXPECT_EQ(slurp(name), "    1    2\r\n    3    4\r\n");
}

TEST_F(UnitTest, ReadOnlyUnitsRefuseWrites) {
  std::string name = path("in.hkl");
  spit(name, "   1   2\n");
  ASSERT_EQ(t.open(1, name, "OLD", "read", {.err = true}), IO_OK);
  EXPECT_EQ(write_formatted(t, 1, TWO_I5, {1, 2}, {}, {.err = true}), 9);
  t.close(1);
  EXPECT_EQ(slurp(name), "   1   2\n");
}

TEST_F(UnitTest, FullDiskIsAWriteError) {
  if (!fs::exists("/dev/full")) GTEST_SKIP();
  ASSERT_EQ(t.open(2, "/dev/full", "OLD"), IO_OK);
  EXPECT_EQ(write_formatted(t, 2, TWO_I5, {1, 2}, {}, {.err = true}), 38);
  test::Fatal f = test::fatal_of([&] { write_formatted(t, 2, TWO_I5, {1, 2}); });
  EXPECT_EQ(f.message, "error during write, unit 2, file /dev/full");
  t.close(2);
}

TEST_F(UnitTest, ManyRecordsAndOneHugeRecordCrossTheBuffers) {
  std::string name = path("big.hkl");
  std::string text;
  const int count = 150000;  // about 4 MB, several input buffers
  for (int i = 0; i < count; ++i) text += "   1   2   3    10.0     1.0\r\n";
  std::string huge(3 << 20, ' ');
  huge += "77\n";
  spit(name, text + huge + "   9");
  ASSERT_EQ(t.open(1, name, "OLD", "READ", {.err = true}), IO_OK);
  const RecordFormat fmt("(3I4,F8.0,F8.0)");
  int32_t h, k, l, n = 0;
  float a, b;
  while (read_formatted(t, 1, fmt, {h, k, l, a, b}, {.err = true, .end = true}) == IO_OK && a == 10.0f) ++n;
  EXPECT_EQ(n, count);  // the loop ended on the huge record, whose first fields are blank
  ASSERT_EQ(read_formatted(t, 1, RecordFormat("(I4)"), {h}, {.end = true}), IO_OK);
  EXPECT_EQ(h, 9);
  EXPECT_EQ(read_formatted(t, 1, RecordFormat("(I4)"), {h}, {.end = true}), IO_END);
}

TEST_F(UnitTest, ProgramEndClosesEveryUnit) {
  std::string name = path("kept.dat");
  EXPECT_EXIT(
      {
        open_unit(7, name, "REPLACE");
        write_formatted(7, TWO_I5, {5, 6});
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(slurp(name), "    5    6\r\n");
}

TEST_F(UnitTest, DefaultFatalReportEndsTheProgram) {
  std::string name = path("absent.dat");
  EXPECT_EXIT(open_unit(3, name, "OLD"), ::testing::ExitedWithCode(1),
              "severe \\(29\\): file not found, unit 3, file .*absent.dat");
}

}  // namespace
}  // namespace zirel
