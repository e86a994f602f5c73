// zirel: the form that selects the reflections a crystal in a diamond-anvil
// cell can reach. No arguments; the settings live in the working directory.
#include "app/fatal_report.h"
#include "app/startup.h"
#include "dialog/dialog.h"

int main(int argc, char** argv) {
  return zirel::run_dialog_program(argc, argv, [] {
    zirel::install_fatal_report();
    zirel::run_program();
  });
}
