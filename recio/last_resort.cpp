#include "recio/last_resort.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace zirel {

namespace {

LastResortReport& report_slot() {
  static LastResortReport report;
  return report;
}
int exit_code_slot = EXIT_FAILURE;

[[noreturn]] void last_resort() {
  // A failure while reporting, or while closing the units, must not loop.
  static std::atomic<bool> entered{false};
  if (entered.exchange(true))
    std::_Exit(exit_code_slot);
  const std::string text = failure_text(std::current_exception());
  if (report_slot())
    report_slot()(text);
  std::exit(exit_code_slot);  // closes the units still connected, keeping their records
}

}  // namespace

std::string failure_text(std::exception_ptr failure) {
  if (!failure)
    return "unknown failure";
  try {
    std::rethrow_exception(failure);
  } catch (const std::bad_alloc&) {
    return "out of memory";
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown failure";
  }
}

void install_last_resort(LastResortReport report, int exit_code) {
  report_slot() = std::move(report);
  exit_code_slot = exit_code;
  std::set_terminate(last_resort);
}

}  // namespace zirel
