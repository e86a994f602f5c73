// Where the program's fatal record I/O report goes: standard error, and a
// message box over the form, before the program ends.
#pragma once

#include "recio/io_error.h"

#include <string>

namespace zirel {

// "severe (24): end-of-file during read, unit 3, file zirel.dat"
std::string fatal_report_text(const FatalReport& report);

// Writes "zirel: " and the text to standard error, then shows it in a
// message box over the form on screen (if any) and waits for OK.
void report_fatal(const FatalReport& report);

// Makes report_fatal the record I/O layer's fatal handler.
void install_fatal_report();

}  // namespace zirel
