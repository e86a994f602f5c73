// Where the program's fatal record I/O report goes: standard error, and a
// message box over the form, before the program ends.
#pragma once

#include "recio/io_error.h"

#include <string>
#include <string_view>

namespace zirel {

// "severe (24): end-of-file during read, unit 3, file zirel.dat"
std::string fatal_report_text(const FatalReport& report);

// Writes "zirel: " and the text to standard error, then shows it in a
// message box over the form on screen (if any) and waits for OK.
void report_fatal(const FatalReport& report);

// Anything unexpected that nobody caught (memory exhausted, say): "zirel:
// unexpected failure: " and the text on standard error, then a message box.
void report_unexpected_failure(std::string_view failure);

// Makes report_fatal the record I/O layer's fatal handler, and
// report_unexpected_failure the last resort, which ends the program with
// exit code 1 like a fatal report.
void install_fatal_report();

}  // namespace zirel
