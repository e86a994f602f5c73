// The windowing toolkit, started for the life of the program before the
// first form is loaded: Qt's application object, or on Win32 the common
// controls and the console of the program that started this one, so that
// the standard output unit reaches it.
#pragma once

#include <memory>

namespace zirel {

class Toolkit {
 public:
  Toolkit(int& argc, char** argv);
  ~Toolkit();
  Toolkit(const Toolkit&) = delete;
  Toolkit& operator=(const Toolkit&) = delete;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace zirel
