// Turns the fatal report into an exception for the length of a test, so the
// report can be inspected instead of ending the test program.
#pragma once

#include <string>

#include "recio/io_error.h"

namespace zirel::test {

struct Fatal {
  std::string severity;
  int number;
  int unit;
  std::string file;
  std::string message;
};

class FatalCatcher {
public:
  FatalCatcher() {
    previous_ = set_fatal_handler([](const FatalReport& r) {
      throw Fatal{std::string(r.severity), r.number, r.unit, std::string(r.file), r.message};
    });
  }
  ~FatalCatcher() { set_fatal_handler(std::move(previous_)); }

private:
  FatalHandler previous_;
};

// Runs `f` and returns the fatal report it raised; number 0 when none.
template <class F>
Fatal fatal_of(F&& f) {
  FatalCatcher catcher;
  try {
    f();
  } catch (const Fatal& fatal) {
    return fatal;
  }
  return Fatal{"", 0, 0, "", ""};
}

}  // namespace zirel::test
