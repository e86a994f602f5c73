#include "tests/app/shell_harness.h"

#include "recio/platform.h"
#include "tests/file_bytes.h"

#include <chrono>
#include <fstream>
#include <sstream>

namespace zirel::test {

const std::string TEST_DATA = ZIREL_APP_TEST_DATA;

Scratch::Scratch() : previous_(std::filesystem::current_path()) {
  reset_shell_state();
  clear_next_answer();
  static int count = 0;
  const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  dir_ = std::filesystem::temp_directory_path() /
         ("zirel-test-" + std::to_string(now) + "-" + std::to_string(++count));
  std::filesystem::create_directories(dir_);
  std::filesystem::current_path(dir_);
}

Scratch::~Scratch() {
  std::filesystem::current_path(previous_);
  reset_shell_state();  // closes the units first: Windows keeps open files
  std::error_code ec;
  std::filesystem::permissions(dir_, std::filesystem::perms::owner_all, ec);
  std::filesystem::remove_all(dir_, ec);
}

std::string Scratch::path(const std::string& name) const {
  return platform::utf8_name((dir_ / platform::utf8_path(name)).make_preferred());
}

std::string Scratch::folder() const { return platform::utf8_name(dir_); }

std::string read_file(const std::string& path) { return file_bytes(platform::utf8_path(path)); }

void write_file(const std::string& path, const std::string& bytes) {
  std::ofstream out(platform::utf8_path(path), std::ios::binary | std::ios::trunc);
  out << bytes;
}

bool exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(platform::utf8_path(path), ec);
}

void copy_in(const Scratch& scratch, const std::string& name) {
  std::filesystem::copy_file(platform::utf8_path(TEST_DATA + name), platform::utf8_path(scratch.path(name)));
}

}  // namespace zirel::test
