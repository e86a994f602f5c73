#include "app/fatal_report.h"

#include "dialog/dialog.h"

#include <cstdio>

namespace zirel {

std::string fatal_report_text(const FatalReport& report) {
  return std::string(report.severity) + " (" + std::to_string(report.number) + "): " + report.message;
}

void report_fatal(const FatalReport& report) {
  const std::string text = fatal_report_text(report);
  std::fflush(stdout);
  std::fprintf(stderr, "zirel: %s\n", text.c_str());
  std::fflush(stderr);
  // Written first: the box waits for the user, and the report must not be
  // lost if nobody is there to press OK.
  show_message_box(text + "\n\nThe program will end.", "Zirel");
}

void install_fatal_report() { set_fatal_handler(report_fatal); }

}  // namespace zirel
