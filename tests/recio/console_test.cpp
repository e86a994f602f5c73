// The console of a Windows command prompt shows the programs' UTF-8 messages as
// letters, not as its old code page's reading of the bytes.
#include <gtest/gtest.h>

#include "recio/platform.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

namespace zirel {
namespace {

TEST(Console, ShowsUtf8WhileTheProgramRuns) {
  AllocConsole();  // fails when there is one already, which serves as well
  HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
  if (console == INVALID_HANDLE_VALUE) GTEST_SKIP() << "no console to be had";
  if (!SetConsoleOutputCP(850) || GetConsoleOutputCP() != 850) {
    CloseHandle(console);
    GTEST_SKIP() << "this console keeps its code page";
  }
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE), err = GetStdHandle(STD_ERROR_HANDLE);
  // Redirected, both of them: left alone.
  SetStdHandle(STD_OUTPUT_HANDLE, INVALID_HANDLE_VALUE);
  SetStdHandle(STD_ERROR_HANDLE, INVALID_HANDLE_VALUE);
  platform::console_shows_utf8();
  const UINT redirected = GetConsoleOutputCP();
  // Standard error on the console, as a refusal's message goes.
  SetStdHandle(STD_ERROR_HANDLE, console);
  platform::console_shows_utf8();
  const UINT shown = GetConsoleOutputCP();
  SetStdHandle(STD_OUTPUT_HANDLE, out);
  SetStdHandle(STD_ERROR_HANDLE, err);
  CloseHandle(console);
  EXPECT_EQ(redirected, 850u);
  EXPECT_EQ(shown, UINT(CP_UTF8));
}

}  // namespace
}  // namespace zirel
#endif
