// zirel: the form that selects the reflections a crystal in a diamond-anvil
// cell can reach. No arguments; the settings live in the working directory.
#include "fatal_report.h"
#include "startup.h"
#include "toolkit.h"

int main(int argc, char** argv) {
  zirel::Toolkit toolkit(argc, argv);
  zirel::install_fatal_report();
  zirel::run_program();
  return 0;
}
