#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

#include "tests/recio/fatal_catcher.h"
#include "recio/platform.h"
#include "recio/statement.h"
#include "tests/file_bytes.h"

namespace zirel {
namespace {

namespace fs = std::filesystem;

class UnitTest : public ::testing::Test {
protected:
  void SetUp() override {
    // Named after the test alone, below the test's working folder: an exit test
    // may run in a process of its own (always on Windows), which must find the
    // same folder.
    dir_ = fs::current_path() /
           ("recio_unit_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    t.close_all();  // Windows removes no folder while a file in it is open
    fs::remove_all(dir_);
  }
  std::string path(const char* name) const { return (dir_ / name).string(); }
  static std::string slurp(const fs::path& p) { return test::file_bytes(p); }
  static void spit(const std::string& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
  }
  // `text` on unit 1: from a file, through its buffers, or from memory.
  void connect_text(const std::string& text, bool from_file) {
    if (!from_file) {
      t.connect_memory_input(1, text);
      return;
    }
    spit(path("text.txt"), text);
    ASSERT_EQ(t.open(1, path("text.txt"), "OLD", "READ"), IO_OK);
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

// A name in UTF-8 reaches the file system whole (on Windows through its wide
// API), so a name in any script opens the file the user sees.
TEST_F(UnitTest, NamesInAnyScript) {
  const std::string name = path("") + "résumé-Ψ-日本.dat";
  ASSERT_EQ(t.open(3, name, "REPLACE"), IO_OK);
  write_formatted(t, 3, TWO_I5, {1, 2});
  t.close(3);
  const fs::path on_disk = dir_ / fs::path(u8"résumé-Ψ-日本.dat");
  EXPECT_EQ(slurp(on_disk), "    1    2\r\n");
  ASSERT_EQ(t.open(3, name, "OLD", "READ", {.err = true}), IO_OK);
  int32_t a = 0, b = 0;
  EXPECT_EQ(read_list(t, 3, {a, b}), IO_OK);
  EXPECT_EQ(b, 2);
  // Bytes that are no UTF-8 name no file on Windows; on Linux they are a name like any other.
  EXPECT_NE(t.open(4, path("bad-\xff.dat"), "OLD", "", {.err = true}), IO_OK);
}

// "REPLACE" empties a file; a device has nothing to empty and is written to.
TEST_F(UnitTest, ReplaceOnADevice) {
  if (!fs::exists("/dev/null")) GTEST_SKIP() << "no /dev/null";
  ASSERT_EQ(t.open(2, "/dev/null", "REPLACE", "", {.err = true}), IO_OK);
  EXPECT_EQ(write_formatted(t, 2, TWO_I5, {1, 2}, {}, {.err = true}), IO_OK);
  t.close(2);
}

// What Windows takes for a device, whatever the folder, case, extension or
// trailing dots and blanks; and names that only look alike, which are files.
TEST(WindowsDeviceName, IsToldFromAFile) {
  const char* devices[] = {"NUL", "nul", "nul.hkl", "Nul.tar.gz", "nul.", "nul...", "nul ", "nul .hkl", "nul:",
                           "CON", "prn.txt", "aux", "COM1", "com9.abs", "LPT1", "lpt5.hkl", "COM\xC2\xB9",
                           "conin$", "CONOUT$", "C:\\data\\NUL", "D:\\run 12\\com3.hkl", "..\\out\\lpt2",
                           "C:nul", "sub/dir/Aux.dat", "\\\\.\\NUL", "\\\\.\\COM1", "\\\\.\\pipe\\x",
                           "//./nul", "\\\\?\\GLOBALROOT\\Device\\Null", "\\\\.\\C:\\data\\nul.hkl"};
  const char* files[] = {"null", "nul1", "nula.hkl", "anul", "COM0", "COM10", "LPT", "com", "console.hkl",
                         "auxiliary", "C:\\data\\run.hkl", "C:\\NUL\\run.hkl", "nul\\run.hkl", "xnul.hkl",
                         "\\\\?\\C:\\data\\nul.hkl", "\\\\?\\UNC\\server\\share\\run.hkl",
                         "\\\\.\\C:\\data\\run.hkl", "\\\\server\\share\\run.hkl", "C:\\data\\", "", "COM\xC2\xB4"};
  for (const char* name : devices) EXPECT_TRUE(platform::is_windows_device_name(name)) << name;
  for (const char* name : files) EXPECT_FALSE(platform::is_windows_device_name(name)) << name;
}

TEST_F(UnitTest, ReadOnlyUnitsRefuseWrites) {
  std::string name = path("in.hkl");
  spit(name, "   1   2\n");
  EXPECT_FALSE(t.is_read_only(1));  // not connected
  ASSERT_EQ(t.open(2, name, "OLD", "", {.err = true}), IO_OK);
  EXPECT_FALSE(t.is_read_only(2));
  t.close(2);
  ASSERT_EQ(t.open(1, name, "OLD", "read", {.err = true}), IO_OK);
  EXPECT_TRUE(t.is_read_only(1));
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

TEST_F(UnitTest, ManyRecordsCrossTheBuffersAndAHugeRecordIsAnError) {
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
  IoStatus st;
  while ((st = read_formatted(t, 1, fmt, {h, k, l, a, b}, {.err = true, .end = true})) == IO_OK) ++n;
  EXPECT_EQ(n, count);
  EXPECT_EQ(st, 22);  // input record too long
  test::Fatal f = test::fatal_of([&] { read_formatted(t, 1, fmt, {h}); });
  EXPECT_EQ(f.message, "input record too long, unit 1, file " + name);
}

// A record of more than a mebibyte is an input error, not gathered without end:
// the same from a file (through its buffers) and from memory.
TEST_F(UnitTest, RecordLengthLimit) {
  constexpr size_t MIB = size_t(1) << 20;
  struct Case {
    const char* what;
    std::string text;
    IoStatus first;
  };
  const Case cases[] = {
      {"a mebibyte, CR LF", std::string(MIB, '1') + "\r\n", IO_OK},
      {"a mebibyte, last line without LF", std::string(MIB, '1'), IO_OK},
      {"one more, LF", std::string(MIB + 1, '1') + "\n", 22},
      {"one more, no LF", std::string(MIB + 1, '1'), 22},
      {"three mebibytes, then a record", std::string(3 * MIB, ' ') + "\n  5\n", 22},
  };
  for (const Case& c : cases) {
    for (bool from_file : {true, false}) {
      connect_text(c.text, from_file);
      int32_t v = 0;
      EXPECT_EQ(read_formatted(t, 1, RecordFormat("(I1)"), {v}, {.err = true, .end = true}), c.first)
          << c.what << (from_file ? " (file)" : " (memory)");
      t.close(1);
    }
  }
  if (!fs::exists("/dev/zero")) return;
  ASSERT_EQ(t.open(1, "/dev/zero", "OLD", "READ"), IO_OK);
  int32_t v = 0;
  EXPECT_EQ(read_list(t, 1, {v}, {.err = true, .end = true}), 22);
}

// Records end at CR where CRs not followed by LF outnumber the LFs (old Mac
// text, also with an LF added at its end); a CR inside a file with LF line
// ends stays where it is; CR CR LF ends a record as CR LF does. A UTF-8
// byte-order mark is no part of the first record.
TEST_F(UnitTest, RecordEndsAreDecidedFromTheWholeFile) {
  struct Case {
    const char* what;
    std::string text;
    std::vector<std::string> records;
  };
  std::string mac_then_lf;  // larger than the input buffer: the decision sees all of it
  for (int i = 0; i < 200000; ++i) mac_then_lf += "  " + std::to_string(i % 10) + "\r";
  mac_then_lf += "\n";
  const Case cases[] = {
      {"CR only", "  1\r  2\r  3\r", {"  1", "  2", "  3"}},
      {"CR only, last line without CR", "  1\r  2", {"  1", "  2"}},
      {"CR only, an LF added at the end", "  1\r  2\r  3\r\n", {"  1", "  2", "  3"}},
      {"CR only, last line without CR, an LF added", "  1\r  2\r  3\n", {"  1", "  2", "  3"}},
      {"CR only, one CR LF inside", "  1\r  2\r\n  3\r  4\r", {"  1", "  2", "  3", "  4"}},
      {"CR LF", "  1\r\n  2\r\n", {"  1", "  2"}},
      {"CR CR LF", "  1\r\r\n  2\r\r\n", {"  1", "  2"}},
      {"LF with a stray CR", "  1\r  2\n  3\n", {"  1\r  2", "  3"}},
      {"as many lone CRs as LFs", "\r\r\n  4\n", {"", "  4"}},
      {"UTF-8 byte-order mark, CR LF", "\xEF\xBB\xBF  1\r\n  2\r\n", {"  1", "  2"}},
      {"UTF-8 byte-order mark, CR only", "\xEF\xBB\xBF  1\r  2\r", {"  1", "  2"}},
  };
  for (const Case& c : cases) {
    for (bool from_file : {true, false}) {
      connect_text(c.text, from_file);
      std::vector<std::string> got;
      std::string_view record;
      while (read_formatted(t, 1, RecordFormat("(I1)"), IoList(), {.err = true, .end = true}, &record) == IO_OK)
        got.emplace_back(record);
      EXPECT_EQ(got, c.records) << c.what << (from_file ? " (file)" : " (memory)");
      t.close(1);
    }
  }
  for (bool from_file : {true, false}) {
    connect_text(mac_then_lf, from_file);
    int32_t n = 0;
    int32_t v = 0;
    while (read_formatted(t, 1, RecordFormat("(I3)"), {v}, {.err = true, .end = true}) == IO_OK) ++n;
    EXPECT_EQ(n, 200000) << (from_file ? "file" : "memory");
    t.close(1);
  }
}

// UTF-16 text (what Windows editors call "Unicode") is refused with a message
// that says what it is: at the open of a file, at the first read from memory.
TEST_F(UnitTest, Utf16TextIsRefusedWithItsOwnMessage) {
  const std::string texts[] = {
      std::string("\xFF\xFE \0 \0""1\0\r\0\n\0", 12),  // little-endian, with its mark
      std::string("\xFE\xFF\0 \0 \0""1\0\r\0\n", 12),  // big-endian
      std::string(" \0 \0""1\0\r\0\n\0", 10),              // no mark
  };
  for (const std::string& text : texts) {
    spit(path("wide.hkl"), text);
    EXPECT_EQ(t.open(1, path("wide.hkl"), "OLD", "READ", {.err = true}), 60);
    EXPECT_FALSE(t.is_connected(1));
    t.connect_memory_input(1, text);
    int32_t v = 0;
    EXPECT_EQ(read_formatted(t, 1, RecordFormat("(I3)"), {v}, {.err = true, .end = true}), 60);
    t.close(1);
  }
  EXPECT_EQ(io_message(60, 1, "wide.hkl"),
            "file is UTF-16 text; save it again as plain text (ANSI or UTF-8), unit 1, file wide.hkl");
}

// Rewritten by the program, a CR-only file gets CR LF records and is read by them.
TEST_F(UnitTest, CrOnlyFileRewrittenIsReadByItsNewLineEnds) {
  spit(path("old.dat"), "  1  2\r  3  4\r");
  ASSERT_EQ(t.open(3, path("old.dat"), "OLD"), IO_OK);
  int32_t a = 0, b = 0;
  ASSERT_EQ(read_list(t, 3, {a, b}), IO_OK);
  EXPECT_EQ(b, 2);
  t.rewind(3);
  write_formatted(t, 3, TWO_I5, {5, 6});
  write_formatted(t, 3, TWO_I5, {7, 8});
  t.rewind(3);
  ASSERT_EQ(read_list(t, 3, {a, b}), IO_OK);
  ASSERT_EQ(read_list(t, 3, {a, b}), IO_OK);
  EXPECT_EQ(b, 8);
  t.close(3);
  EXPECT_EQ(slurp(path("old.dat")), "    5    6\r\n    7    8\r\n");
}

// A unit left connected after a failed run still shows what it received.
TEST_F(UnitTest, FlushPutsTheRecordsIntoTheFileAndKeepsTheUnit) {
  ASSERT_EQ(t.open(2, path("out.hkl"), "REPLACE"), IO_OK);
  write_formatted(t, 2, TWO_I5, {1, 2});
  EXPECT_EQ(slurp(path("out.hkl")), "");  // still in the unit's buffer
  t.flush(2);
  EXPECT_EQ(slurp(path("out.hkl")), "    1    2\r\n");
  write_formatted(t, 2, TWO_I5, {3, 4});
  t.close(2);
  EXPECT_EQ(slurp(path("out.hkl")), "    1    2\r\n    3    4\r\n");
  t.flush(2);  // not connected: nothing
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
