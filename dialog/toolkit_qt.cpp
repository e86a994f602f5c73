#include "toolkit.h"

#include <QApplication>

namespace zirel {

struct Toolkit::State {
  State(int& argc, char** argv) : app(argc, argv) {}
  QApplication app;
};

Toolkit::Toolkit(int& argc, char** argv) : state_(std::make_unique<State>(argc, argv)) {}
Toolkit::~Toolkit() = default;

}  // namespace zirel
