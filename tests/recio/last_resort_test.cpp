#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <new>
#include <sstream>
#include <stdexcept>

#include "recio/last_resort.h"
#include "recio/statement.h"
#include "tests/file_bytes.h"

namespace zirel {
namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& p) { return test::file_bytes(p); }

// What nobody caught ends the program with its text and the chosen exit code,
// and the records written before it are in the file.
TEST(LastResortDeathTest, UncaughtFailureIsReportedAndTheOutputKept) {
  struct Case {
    const char* what;
    std::function<void()> fail;
    const char* text;
  };
  const Case cases[] = {
      {"memory exhausted", [] { throw std::bad_alloc(); }, "out of memory"},
      {"a fault in the program", [] { throw std::logic_error("no such item"); }, "no such item"},
      {"not an exception class", [] { throw 42; }, "unknown failure"},
  };
  // A fixed name: where death tests run in a fresh process (Windows), a name
  // made from the process id would differ between the test and its child.
  const fs::path file = fs::temp_directory_path() / "zirel-last-resort-test.txt";
  for (const Case& c : cases) {
    fs::remove(file);
    EXPECT_EXIT(
        {
          install_last_resort(
              [](std::string_view text) { std::fprintf(stderr, "reported: %.*s\n", int(text.size()), text.data()); }, 5);
          open_unit(2, file.string(), "REPLACE");
          write_formatted(2, RecordFormat("(I3)"), {7});  // still in the unit's buffer
          // Out of a noexcept function, as out of main: no handler is left.
          [&]() noexcept { c.fail(); }();
        },
        ::testing::ExitedWithCode(5), std::string("reported: ") + c.text)
        << c.what;
    EXPECT_EQ(slurp(file), "  7\r\n") << c.what;
  }
  fs::remove(file);
}

TEST(LastResort, FailureTexts) {
  EXPECT_EQ(failure_text(std::make_exception_ptr(std::bad_alloc())), "out of memory");
  EXPECT_EQ(failure_text(std::make_exception_ptr(std::runtime_error("disk on fire"))), "disk on fire");
  EXPECT_EQ(failure_text(std::make_exception_ptr(3.5)), "unknown failure");
  EXPECT_EQ(failure_text(nullptr), "unknown failure");
}

}  // namespace
}  // namespace zirel
