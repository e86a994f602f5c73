// Runs the built zirel-plan (or zirel-batch) in a scratch folder of its own and
// keeps what it said: the transcript tests of zirel-plan and its subcommands.
#pragma once

#include "tests/file_bytes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace zirel::plan {

namespace fs = std::filesystem;

struct Transcript {
  int exit_code = -1;
  std::string out, err;
};

inline std::string slurp(const fs::path& p) { return test::file_bytes(p); }

class Plan : public ::testing::Test {
protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("zirel-plan-test-" + std::to_string(getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  Transcript run(const std::string& program, const std::string& args, const std::string& redirect = "") {
    const std::string cmd = "cd '" + dir_.string() + "' && '" + program + "' " + args +
                            " >stdout.txt 2>stderr.txt </dev/null " + redirect;
    const int status = std::system(cmd.c_str());
    Transcript t;
    t.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    t.out = slurp(dir_ / "stdout.txt");
    t.err = slurp(dir_ / "stderr.txt");
    return t;
  }
  Transcript plan(const std::string& args, const std::string& redirect = "") {
    return run(ZIREL_PLAN, args, redirect);
  }
  void put(const std::string& name, const std::string& text) { std::ofstream(dir_ / name, std::ios::binary) << text; }

  fs::path dir_;
};

}  // namespace zirel::plan
