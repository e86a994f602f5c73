#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>

#include "transcript.h"

#include "filtering/version.h"

namespace {

namespace fs = std::filesystem;
using zirel::test::slurp;
using zirel::test::Transcript;

void put(const fs::path& p, const std::string& text) {
  std::ofstream(p, std::ios::binary) << text;
}

// A name written in UTF-8, as the tool's arguments are.
fs::path utf8_path(const std::string& name) { return fs::path(std::u8string(name.begin(), name.end())); }

// Runs zirel-batch in a fresh directory holding copies of the layout test files.
class Batch : public ::testing::Test {
protected:
  void SetUp() override {
    // Below the test's working folder, named after the test alone: tests run in
    // parallel, and two builds of the project must not share a folder.
    dir_ = fs::current_path() /
           ("zirel-batch-test-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    for (const char* name : {"input.hkl", "input.abs", "shelx_to_shelx.hkl", "cellex_to_cellex.abs"})
      fs::copy_file(fs::path(ZIREL_TEST_DATA) / "layouts" / name, dir_ / name);
  }
  void TearDown() override { fs::remove_all(dir_); }

  Transcript run(const std::string& args) { return zirel::test::run_program(dir_, ZIREL_BATCH, args); }
  // `shell_setup` runs in the same shell first (limits, signal dispositions).
  Transcript run_in_shell(const std::string& args, const std::string& shell_setup,
                          const std::string& out_target = "stdout.txt") {
    return zirel::test::run_in_shell(dir_, ZIREL_BATCH, args, shell_setup, out_target);
  }
  fs::path dir_;
};

const std::string PARAMS = "--cell 10 10 10 90 90 90 --uvw 0 0 1 --wavelength 0.7093 --psi-max 40";

TEST_F(Batch, CompletedRunWritesOneLineAndTheFile) {
  put(dir_ / "out.hkl", "an older file of the same name, replaced\n");
  const Transcript t = run("--input input.hkl --output out.hkl " + PARAMS);
  EXPECT_EQ(t.exit_code, 0);
  EXPECT_EQ(t.out, "PROGRAM COMPLETED:     8 REFLECTIONS INPUT    6 OUTPUT\n");
  EXPECT_EQ(t.err, "");  // no progress when standard error is not a terminal
  EXPECT_EQ(slurp(dir_ / "out.hkl"), slurp(dir_ / "shelx_to_shelx.hkl"));

  const Transcript cellex = run("--input input.abs --output OUT.ABS --quiet " + PARAMS);
  EXPECT_EQ(cellex.exit_code, 0);
  EXPECT_EQ(slurp(dir_ / "OUT.ABS"), slurp(dir_ / "cellex_to_cellex.abs"));
}

TEST_F(Batch, GenerationNeedsNoInput) {
  const Transcript t = run("--generate --output gen.HKL " + PARAMS);
  EXPECT_EQ(t.exit_code, 0);
  EXPECT_EQ(t.out.substr(0, 19), "PROGRAM COMPLETED: ");
  EXPECT_EQ(slurp(dir_ / "gen.HKL").substr(0, 30), " -18  -2   0 0.00000 0.00000\r\n");
}

// 329,748 candidates: the count takes six columns instead of showing *****.
TEST_F(Batch, CountsAbove99999AreWrittenInFull) {
  const Transcript t = run("--generate --output gen.hkl --cell 10 10 10 90 90 90 --uvw 0 0 1 "
                           "--wavelength 0.3 --psi-max 40");
  EXPECT_EQ(t.exit_code, 0);
  EXPECT_EQ(t.out, "PROGRAM COMPLETED: 329748 REFLECTIONS INPUT61312 OUTPUT\n");
  EXPECT_EQ(t.err, "");
  const std::string out = slurp(dir_ / "gen.hkl");
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 61312);
}

TEST_F(Batch, UnreadableRecordExitsWithOne) {
  put(dir_ / "bad.hkl", "   1   0   0   100.0     1.0\r\n   2   0   0   1x0.0     1.0\r\n");
  const Transcript t = run("--input bad.hkl --output out.hkl " + PARAMS);
  EXPECT_EQ(t.exit_code, 1);
  EXPECT_EQ(t.out, "  ERROR READING FILE AFTER LINE     1\n");
  EXPECT_EQ(t.err, "PROBLEM IN RUNNING PROGRAM\n");
  EXPECT_EQ(slurp(dir_ / "out.hkl"), "   1   0   0 100.000 1.00000\r\n");
}

// A record without end (a device that never sends a line feed) is an unreadable
// record, not a run toward all the memory there is.
TEST_F(Batch, RecordWithoutEndIsAnInputError) {
  // Two mebibytes without a line end: no text (a device such as /dev/zero is
  // refused before it is read).
  put(dir_ / "endless.hkl", std::string(size_t(2) << 20, '1'));
  const Transcript input = run("--input endless.hkl --output out.hkl " + PARAMS);
  EXPECT_EQ(input.exit_code, 1);
  EXPECT_EQ(input.out, "  ERROR READING FILE AFTER LINE     0\n");
  EXPECT_EQ(input.err, "PROBLEM IN RUNNING PROGRAM\n");
  EXPECT_EQ(slurp(dir_ / "out.hkl"), "");

  put(dir_ / "keep.hkl", "   1   0   0   100.0     1.0\r\n");
  const Transcript settings = run("--input input.hkl --output keep.hkl --settings endless.hkl");
  EXPECT_EQ(settings.exit_code, 2);
  EXPECT_EQ(settings.out, "");
  EXPECT_EQ(settings.err, "zirel-batch: --settings: endless.hkl: record 1 cannot be read\n");
  EXPECT_EQ(slurp(dir_ / "keep.hkl"), "   1   0   0   100.0     1.0\r\n");
}

// Old Mac text: every record is read, as from the same file with CR LF.
TEST_F(Batch, CrOnlyFileIsReadRecordByRecord) {
  std::string cr_only = slurp(dir_ / "input.hkl");
  cr_only.erase(std::remove(cr_only.begin(), cr_only.end(), '\n'), cr_only.end());
  ASSERT_EQ(cr_only.find('\n'), std::string::npos);
  put(dir_ / "mac.hkl", cr_only);
  const Transcript t = run("--input mac.hkl --output out.hkl " + PARAMS);
  EXPECT_EQ(t.exit_code, 0);
  EXPECT_EQ(t.out, "PROGRAM COMPLETED:     8 REFLECTIONS INPUT    6 OUTPUT\n");
  EXPECT_EQ(t.err, "");
  EXPECT_EQ(slurp(dir_ / "out.hkl"), slurp(dir_ / "shelx_to_shelx.hkl"));
}

TEST_F(Batch, OutputThatCannotBeWrittenExitsWithFour) {
  // A file-size limit of 1 KiB stands in for a full disk: with SIGXFSZ ignored,
  // a write beyond it fails the way it does on a full disk.
  if (!zirel::test::has_posix_shell()) GTEST_SKIP() << "needs ulimit -f";
  const Transcript t = run_in_shell("--generate --output gen.hkl " + PARAMS, "trap '' XFSZ && ulimit -f 1");
  EXPECT_EQ(t.exit_code, 4);
  EXPECT_EQ(t.out, "");  // no completion text: the file does not hold the run
  EXPECT_NE(t.err.find("zirel-batch: severe (38): error during write, unit 2, file gen.hkl"),
            std::string::npos) << t.err;
}

struct RefusedRole {
  std::string args, err;
};

// Each command refused with code 2 and its message, the output left as it was.
class RefusedRoles : public Batch {
protected:
  void expect_refused_before_the_output(std::span<const RefusedRole> cases) {
    for (const RefusedRole& c : cases) {
      put(dir_ / "out.hkl", "kept");
      const Transcript t = run(c.args + " " + PARAMS);
      EXPECT_EQ(t.exit_code, 2) << c.args;
      EXPECT_EQ(t.out, "") << c.args;
      EXPECT_EQ(t.err, c.err) << c.args;
      EXPECT_EQ(slurp(dir_ / "out.hkl"), "kept") << c.args;
    }
  }
};

// A FIFO would hold the run until something wrote to it (or read from it), and a
// device is no file: refused in every role, before the output is touched.
TEST_F(RefusedRoles, DeviceOrFifoIsRefusedInEveryRole) {
  if (!zirel::test::has_posix_shell()) GTEST_SKIP() << "needs /dev/null and mkfifo";
  ASSERT_EQ(std::system(("mkfifo '" + (dir_ / "pipe.hkl").string() + "'").c_str()), 0);
  const RefusedRole cases[] = {
      {"--input input.hkl --output /dev/null", "zirel-batch: the output /dev/null is a device or a FIFO, not a file\n"},
      {"--input input.hkl --output pipe.hkl", "zirel-batch: the output pipe.hkl is a device or a FIFO, not a file\n"},
      {"--input pipe.hkl --output out.hkl", "zirel-batch: the input pipe.hkl is a device or a FIFO, not a file\n"},
      {"--input /dev/zero --output out.hkl", "zirel-batch: the input /dev/zero is a device or a FIFO, not a file\n"},
      {"--input input.hkl --output out.hkl --settings pipe.hkl",
       "zirel-batch: --settings: pipe.hkl is a device or a FIFO, not a file\n"},
  };
  expect_refused_before_the_output(cases);
}

#ifdef _WIN32
// NUL, nul.hkl or COM1 would swallow the run (or wait on a port) and report
// success: refused as /dev/null is on Linux, in every role and any folder.
TEST_F(RefusedRoles, WindowsDevicesAreRefusedInEveryRole) {
  const RefusedRole cases[] = {
      {"--input input.hkl --output NUL", "zirel-batch: the output NUL is a device or a FIFO, not a file\n"},
      {"--input input.hkl --output nul.hkl", "zirel-batch: the output nul.hkl is a device or a FIFO, not a file\n"},
      {"--input input.hkl --output C:\\data\\Com1.abs.",
       "zirel-batch: the output C:\\data\\Com1.abs. is a device or a FIFO, not a file\n"},
      {"--input input.hkl --output \\\\.\\NUL", "zirel-batch: the output \\\\.\\NUL is a device or a FIFO, not a file\n"},
      {"--input CON --output out.hkl", "zirel-batch: the input CON is a device or a FIFO, not a file\n"},
      {"--input input.hkl --output out.hkl --settings aux.dat",
       "zirel-batch: --settings: aux.dat is a device or a FIFO, not a file\n"},
  };
  expect_refused_before_the_output(cases);
}
#endif

TEST_F(Batch, LostStatusLineIsNoSuccess) {
  if (!zirel::test::has_posix_shell()) GTEST_SKIP() << "needs /dev/full";
  EXPECT_EQ(run_in_shell("--input input.hkl --output out.hkl " + PARAMS, "true", "/dev/full").exit_code, 4);
}

// Names in any script reach the file system whole (on Windows through its
// wide API), and "the output is the input" still sees through another name.
TEST_F(Batch, FileNamesInAnyScript) {
  const std::string input = "données-Ψ-日本.hkl";
  fs::copy_file(dir_ / "input.hkl", dir_ / utf8_path(input));
  const Transcript t = run("--input " + input + " --output résultat-β.hkl " + PARAMS);
  EXPECT_EQ(t.exit_code, 0) << t.err;
  EXPECT_EQ(t.out, "PROGRAM COMPLETED:     8 REFLECTIONS INPUT    6 OUTPUT\n");
  EXPECT_EQ(slurp(dir_ / utf8_path("résultat-β.hkl")), slurp(dir_ / "shelx_to_shelx.hkl"));

  const Transcript same = run("--input " + input + " --output ./" + input + " " + PARAMS);
  EXPECT_EQ(same.exit_code, 2);
  EXPECT_NE(same.err.find("is the input file"), std::string::npos) << same.err;
  EXPECT_EQ(slurp(dir_ / utf8_path(input)), slurp(dir_ / "input.hkl"));
}

// Every refusal comes before the output is created or emptied.
TEST_F(Batch, RefusalsLeaveTheOutputUntouched) {
  struct Case {
    std::string args;
    int exit_code;
    std::string in_message;
  };
  const std::string cell = "--cell 10 10 10 90 90 90 ";
  const std::string rest = "--wavelength 0.7093 --psi-max 40";
  const Case cases[] = {
      {"--input input.hkl --output keep.hkl --cell 10 10 x 90 90 90 --uvw 0 0 1 " + rest, 2, "--cell: 'x' is not a number"},
      {"--input input.hkl --output keep.hkl " + cell + "--uvw 0 0 1 --wavelength 0.7093", 2, "--psi-max"},
      {"--input input.hkl --output keep.hkl " + cell + rest, 2, "--uvw or --hkl"},
      {"--input input.hkl --output keep.hkl " + cell + "--uvw 0 0 0 " + rest, 2, "AXIS DIRECTION HAS ZERO LENGTH"},
      {"--input input.hkl --output keep.hkl " + cell + "--uvw 0 0 1 --hkl 0 0 1 " + rest, 2, "--hkl"},
      {"--input input.hkl --generate --output keep.hkl " + cell + "--uvw 0 0 1 " + rest, 2, "--generate"},
      {"--output keep.hkl " + cell + "--uvw 0 0 1 " + rest, 2, "--input FILE or --generate"},
      {"--input missing.hkl --output keep.hkl " + cell + "--uvw 0 0 1 " + rest, 2, "missing.hkl"},
      {"--input input.hkl --output keep.hkl --settings nothere.dat", 2, "nothere.dat"},
      {"--input input.hkl --output keep.hkl --cell 10 10 10 0 0 0 --uvw 0 0 1 " + rest, 3,
       "SINGULAR UNIT CELL: DETERMINANT OF METRIC TENSOR IS ZERO"},
      {"--input keep.hkl --output ./keep.hkl " + cell + "--uvw 0 0 1 " + rest, 2, "is the input file"},
      {"--input input.hkl --output no/such/dir/x.hkl " + cell + "--uvw 0 0 1 " + rest, 2, "no/such/dir/x.hkl"},
      // Cells that pass the determinant test but are no cell: exit 3, as a singular one.
      {"--input input.hkl --output keep.hkl --cell 7.512 9.874 11.236 0 103.47 90 --uvw 0 0 1 " + rest, 3,
       "zirel-batch: --cell: UNIT CELL ANGLES DO NOT FORM A CELL\n"},
      {"--input input.hkl --output keep.hkl --cell 5 5 5 10 10 100 --uvw 0 0 1 " + rest, 3,
       "zirel-batch: --cell: UNIT CELL ANGLES DO NOT FORM A CELL\n"},
      {"--input input.hkl --output keep.hkl --cell 5 5 5 120 120 120 --uvw 0 0 1 " + rest, 3,
       "zirel-batch: --cell: UNIT CELL ANGLES DO NOT FORM A CELL\n"},
      {"--input input.hkl --output keep.hkl --cell 5 5 5 90 90 200 --uvw 0 0 1 " + rest, 3,
       "zirel-batch: --cell: UNIT CELL ANGLES DO NOT FORM A CELL\n"},
      {"--input input.hkl --output keep.hkl --cell 5 -5 5 90 90 90 --uvw 0 0 1 " + rest, 3,
       "zirel-batch: --cell: UNIT CELL EDGES MUST BE POSITIVE\n"},
      // Psi max and the wavelength: exit 2, before the cell is looked at.
      {"--input input.hkl --output keep.hkl --cell 5 5 5 10 10 100 --uvw 0 0 1 --wavelength 0.7093 --psi-max 180",
       2, "zirel-batch: --psi-max: PSI MAX MUST LIE BETWEEN 0 AND 90 DEGREES\n"},
      {"--input input.hkl --output keep.hkl " + cell + "--uvw 0 0 1 --wavelength 0.7093 --psi-max -1", 2,
       "zirel-batch: --psi-max: PSI MAX MUST LIE BETWEEN 0 AND 90 DEGREES\n"},
      {"--input input.hkl --output keep.hkl " + cell + "--uvw 0 0 1 --wavelength 0 --psi-max 40", 2,
       "zirel-batch: --wavelength: WAVELENGTH MUST BE POSITIVE\n"},
      // A generation that would not end in reasonable time, or be cut short.
      {"--generate --output keep.hkl " + cell + "--uvw 0 0 1 --wavelength 1e-6 --psi-max 40", 2,
       "zirel-batch: --generate: INDICES TOO LARGE TO GENERATE (LIMIT 999)\n"},
      {"--generate --output keep.hkl " + cell + "--uvw 0 0 1 --wavelength 0.03 --psi-max 40", 2,
       "zirel-batch: --generate: TOO MANY REFLECTIONS TO GENERATE (LIMIT 100,000,000)\n"},
      {"--input input.hkl --output keep.abs --keep-columns " + cell + "--uvw 0 0 1 " + rest, 2,
       "--keep-columns: only for a SHELX input written as SHELX"},
      {"--input input.abs --output keep.hkl --keep-columns " + cell + "--uvw 0 0 1 " + rest, 2,
       "--keep-columns: only for a SHELX input written as SHELX"},
      {"--generate --output keep.hkl --keep-columns " + cell + "--uvw 0 0 1 " + rest, 2,
       "--keep-columns: only for a SHELX input written as SHELX"},
  };
  for (const Case& c : cases) {
    put(dir_ / "keep.hkl", "   1   0   0   100.0     1.0\r\n");
    put(dir_ / "keep.abs", "  1  0  0      10.0   1.0   0.00000    0\r\n");
    const Transcript t = run(c.args);
    EXPECT_EQ(t.exit_code, c.exit_code) << c.args;
    EXPECT_NE(t.err.find(c.in_message), std::string::npos) << c.args << "\n" << t.err;
    EXPECT_EQ(t.out, "") << c.args;
    EXPECT_EQ(slurp(dir_ / "keep.hkl"), "   1   0   0   100.0     1.0\r\n") << c.args;
    EXPECT_EQ(slurp(dir_ / "keep.abs"), "  1  0  0      10.0   1.0   0.00000    0\r\n") << c.args;
  }
}

// Batch numbers after column 28 are copied with --keep-columns, and only then.
TEST_F(Batch, KeepColumnsCopiesTheBatchNumbers) {
  put(dir_ / "batches.hkl",
      "   1   0   0  1234.5    12.3   3\r\n"
      "   0   0   1    10.0     1.0   4\r\n"  // along the axis: not accessible
      "   0   1   0    10.0     1.0  12 -0.98765\r\n"
      "   2   0   0    10.0     1.0\r\n");
  const Transcript kept = run("--input batches.hkl --output kept.hkl --keep-columns " + PARAMS);
  EXPECT_EQ(kept.exit_code, 0);
  EXPECT_EQ(kept.out, "PROGRAM COMPLETED:     4 REFLECTIONS INPUT    3 OUTPUT\n");
  EXPECT_EQ(kept.err, "");
  EXPECT_EQ(slurp(dir_ / "kept.hkl"),
            "   1   0   0 1234.50 12.3000   3\r\n"
            "   0   1   0 10.0000 1.00000  12 -0.98765\r\n"
            "   2   0   0 10.0000 1.00000\r\n");
  const Transcript plain = run("--input batches.hkl --output plain.hkl " + PARAMS);
  EXPECT_EQ(plain.out, kept.out);
  EXPECT_EQ(slurp(dir_ / "plain.hkl"),
            "   1   0   0 1234.50 12.3000\r\n   0   1   0 10.0000 1.00000\r\n   2   0   0 10.0000 1.00000\r\n");
}

// What editors do to line ends and encodings never loses or smuggles a
// reflection: a CR-only file with an LF added is read record by record, CR CR
// LF is read as CR LF, a UTF-8 byte-order mark is skipped, and a stray CR
// whose kept columns would carry a hidden record into the output leaves that
// record out with a warning naming its line.
TEST_F(Batch, LineEndsAndEncodingsLoseNothing) {
  const std::string a = "   1   0   0  1234.5    12.3", b = "   0   0   1    10.0     1.0",
                    c = "   0   1   0    10.0     1.0";
  const std::string filtered = "   1   0   0 1234.50 12.3000\r\n   0   1   0 10.0000 1.00000\r\n";
  struct Case {
    const char* what;
    std::string input;
    const char* extra;  // more options
    std::string out, err, file;
  };
  const Case cases[] = {
      {"CR only, an LF added", a + "\r" + b + "\r" + c + "\r\n", "",
       "PROGRAM COMPLETED:     3 REFLECTIONS INPUT    2 OUTPUT\n", "", filtered},
      {"CR CR LF", a + "\r\r\n" + b + "\r\r\n" + c + "\r\r\n", "--keep-columns",
       "PROGRAM COMPLETED:     3 REFLECTIONS INPUT    2 OUTPUT\n", "", filtered},
      {"UTF-8 byte-order mark", "\xEF\xBB\xBF" + a + "\r\n" + b + "\r\n" + c + "\r\n", "",
       "PROGRAM COMPLETED:     3 REFLECTIONS INPUT    2 OUTPUT\n", "", filtered},
      {"stray CR, kept columns", a + "\n" + b + "\n" + c + "\r" + a + "\n" + c + "\n", "--keep-columns",
       "PROGRAM COMPLETED:     4 REFLECTIONS INPUT    2 OUTPUT\n",
       "zirel-batch: warning:     1 RECORDS HOLD A STRAY CR: FIRST AT LINE     3\n", filtered},
      {"stray CR, columns not kept", a + "\n" + b + "\n" + c + "\r" + a + "\n" + c + "\n", "",
       "PROGRAM COMPLETED:     4 REFLECTIONS INPUT    3 OUTPUT\n", "", filtered + "   0   1   0 10.0000 1.00000\r\n"},
  };
  for (const Case& k : cases) {
    put(dir_ / "edited.hkl", k.input);
    const Transcript t = run("--input edited.hkl --output out.hkl " + std::string(k.extra) + " " + PARAMS);
    EXPECT_EQ(t.exit_code, 0) << k.what;
    EXPECT_EQ(t.out, k.out) << k.what;
    EXPECT_EQ(t.err, k.err) << k.what;
    EXPECT_EQ(slurp(dir_ / "out.hkl"), k.file) << k.what;
  }
  put(dir_ / "wide.hkl", std::string("\xFF\xFE \0 \0 \0""1\0\r\0\n\0", 14));
  put(dir_ / "out.hkl", "kept");
  const Transcript wide = run("--input wide.hkl --output out.hkl " + PARAMS);
  EXPECT_EQ(wide.exit_code, 2);
  EXPECT_NE(wide.err.find("file is UTF-16 text; save it again as plain text (ANSI or UTF-8)"), std::string::npos)
      << wide.err;
  EXPECT_EQ(slurp(dir_ / "out.hkl"), "kept");
}

TEST_F(Batch, SettingsFileWithOverride) {
  // As the program writes it: cell, wavelength and Psi max, axis kind (1: hkl) and axis, layouts.
  put(dir_ / "zirel.dat",
      "  10.00000  10.00000  10.00000  90.00000  90.00000  90.00000\r\n"
      "   0.70930  30.00000\r\n"
      "    1   0.00000   0.00000   1.00000\r\n"
      "    1    1\r\n");
  const Transcript from_file = run("--input input.hkl --output a.hkl --settings zirel.dat --psi-max 40");
  const Transcript explicit_ = run("--input input.hkl --output b.hkl --cell 10 10 10 90 90 90 --hkl 0 0 1 "
                                   "--wavelength 0.7093 --psi-max 40");
  EXPECT_EQ(from_file.exit_code, 0) << from_file.err;
  EXPECT_EQ(from_file.out, explicit_.out);
  EXPECT_EQ(slurp(dir_ / "a.hkl"), slurp(dir_ / "b.hkl"));

  // Psi max from the file (30) gives fewer reflections than the override (40) ...
  put(dir_ / "wide.hkl", "   5   0   2   100.0     1.0\r\n   1   0   0   100.0     1.0\r\n");
  EXPECT_EQ(run("--input wide.hkl --output c.hkl --settings zirel.dat").out,
            "PROGRAM COMPLETED:     2 REFLECTIONS INPUT    1 OUTPUT\n");
  EXPECT_EQ(run("--input wide.hkl --output c.hkl --settings zirel.dat --psi-max 40").out,
            "PROGRAM COMPLETED:     2 REFLECTIONS INPUT    2 OUTPUT\n");

  // ... and a damaged record is refused.
  put(dir_ / "bad.dat", "10 10 10 90 90 90\n0.7093 40\n2 0 0 1\n1 1\n");
  const Transcript bad = run("--input input.hkl --output keep.hkl --settings bad.dat");
  EXPECT_EQ(bad.exit_code, 2);
  EXPECT_NE(bad.err.find("axis kind"), std::string::npos) << bad.err;
  put(dir_ / "short.dat", "10 10 10 90 90 90\n0.7093 40\n");
  EXPECT_EQ(run("--input input.hkl --output keep.hkl --settings short.dat").exit_code, 2);
  // Layouts out of range are refused as the form refuses them, though the names decide.
  put(dir_ / "layouts.dat", "10 10 10 90 90 90\n0.7093 40\n0 0 0 1\n3 1\n");
  const Transcript layouts = run("--input input.hkl --output keep.hkl --settings layouts.dat");
  EXPECT_EQ(layouts.exit_code, 2);
  EXPECT_EQ(layouts.out, "");
  EXPECT_EQ(layouts.err, "zirel-batch: --settings: layouts.dat: the layouts in record 4 must be 1, 2 or -1 "
                         "(input) and 1 or 2 (output)\n");
}

TEST_F(Batch, HelpShowsExamplesAndLayoutRule) {
  const Transcript t = run("--help");
  EXPECT_EQ(t.exit_code, 0);
  for (const char* part : {"--input", "--generate", "--output", "--cell", "--uvw", "--hkl", "--wavelength",
                           "--psi-max", "--settings", "--keep-columns", "--quiet", "--version", "Examples:",
                           "\".hkl\"", "DATA.HKL"})
    EXPECT_NE(t.out.find(part), std::string::npos) << part;
}

// --version is answered whatever else is on the command line, and nothing is
// read or written: a script can ask any installed tool which release it is.
TEST_F(Batch, VersionIsTheReleaseAndNeedsNothingElse) {
  for (const std::string args : {"--version", "--version --quiet",
                                  "--input missing.hkl --output keep.hkl --version",
                                  "--generate --output keep.hkl --cell 1 1 1 0 0 0 --uvw 0 0 0 --version"}) {
    put(dir_ / "keep.hkl", "kept\r\n");
    const Transcript t = run(args);
    EXPECT_EQ(t.exit_code, 0) << args;
    EXPECT_EQ(t.out, "zirel-batch " ZIREL_VERSION "\n") << args;
    EXPECT_EQ(t.err, "") << args;
    EXPECT_EQ(slurp(dir_ / "keep.hkl"), "kept\r\n") << args;
  }
}

}  // namespace
