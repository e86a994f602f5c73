#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "filtering/version.h"

namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void put(const fs::path& p, const std::string& text) {
  std::ofstream(p, std::ios::binary) << text;
}

struct Transcript {
  int exit_code = -1;
  std::string out, err;
};

// Runs zirel-batch in a fresh directory holding copies of the layout test files.
class Batch : public ::testing::Test {
protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("zirel-batch-test-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    for (const char* name : {"input.hkl", "input.abs", "shelx_to_shelx.hkl", "cellex_to_cellex.abs"})
      fs::copy_file(fs::path(ZIREL_TEST_DATA) / "layouts" / name, dir_ / name);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // `shell_setup` runs in the same shell first (limits, signal dispositions).
  Transcript run(const std::string& args, const std::string& shell_setup = "true") {
    const std::string cmd = "cd '" + dir_.string() + "' && " + shell_setup + " && '" ZIREL_BATCH "' " + args +
                            " >stdout.txt 2>stderr.txt </dev/null";
    const int status = std::system(cmd.c_str());
    Transcript t;
    t.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    t.out = slurp(dir_ / "stdout.txt");
    t.err = slurp(dir_ / "stderr.txt");
    return t;
  }
  fs::path dir_;
};

const std::string PARAMS = "--cell 10 10 10 90 90 90 --uvw 0 0 1 --wavelength 0.7093 --psi-max 40";

TEST_F(Batch, CompletedRunWritesOneLineAndTheFile) {
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

TEST_F(Batch, UnreadableRecordExitsWithOne) {
  put(dir_ / "bad.hkl", "   1   0   0   100.0     1.0\r\n   2   0   0   1x0.0     1.0\r\n");
  const Transcript t = run("--input bad.hkl --output out.hkl " + PARAMS);
  EXPECT_EQ(t.exit_code, 1);
  EXPECT_EQ(t.out, "  ERROR READING FILE AFTER LINE     1\n");
  EXPECT_EQ(t.err, "PROBLEM IN RUNNING PROGRAM\n");
  EXPECT_EQ(slurp(dir_ / "out.hkl"), "   1   0   0 100.000 1.00000\r\n");
}

TEST_F(Batch, OutputThatCannotBeWrittenExitsWithFour) {
  // A file-size limit of 1 KiB stands in for a full disk: with SIGXFSZ ignored,
  // a write beyond it fails the way it does on a full disk.
  const Transcript t = run("--generate --output gen.hkl " + PARAMS, "trap '' XFSZ && ulimit -f 1");
  EXPECT_EQ(t.exit_code, 4);
  EXPECT_EQ(t.out, "");  // no completion text: the file does not hold the run
  EXPECT_NE(t.err.find("zirel-batch: severe (38): error during write, unit 2, file gen.hkl"),
            std::string::npos) << t.err;
}

TEST_F(Batch, LostStatusLineIsNoSuccess) {
  const std::string cmd = "cd '" + dir_.string() + "' && '" ZIREL_BATCH "' --input input.hkl --output out.hkl " +
                          PARAMS + " >/dev/full 2>/dev/null";
  const int status = std::system(cmd.c_str());
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 4);
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
  };
  for (const Case& c : cases) {
    put(dir_ / "keep.hkl", "   1   0   0   100.0     1.0\r\n");
    const Transcript t = run(c.args);
    EXPECT_EQ(t.exit_code, c.exit_code) << c.args;
    EXPECT_NE(t.err.find(c.in_message), std::string::npos) << c.args << "\n" << t.err;
    EXPECT_EQ(t.out, "") << c.args;
    EXPECT_EQ(slurp(dir_ / "keep.hkl"), "   1   0   0   100.0     1.0\r\n") << c.args;
  }
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
}

TEST_F(Batch, HelpShowsExamplesAndLayoutRule) {
  const Transcript t = run("--help");
  EXPECT_EQ(t.exit_code, 0);
  for (const char* part : {"--input", "--generate", "--output", "--cell", "--uvw", "--hkl", "--wavelength",
                           "--psi-max", "--settings", "--quiet", "--version", "Examples:", "\".hkl\"", "DATA.HKL"})
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
