// The windowing system of the Qt back end: one QApplication for the program's life.
#include "dialog/dialog.h"

#include <QApplication>

namespace zirel {

int run_dialog_program(int argc, char** argv, const std::function<void()>& program) {
  QApplication app(argc, argv);
  program();
  return 0;
}

}  // namespace zirel
