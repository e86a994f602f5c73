// The last resort: whatever nobody expected (memory exhausted, a fault in the
// program) and so nobody caught still ends the program with a clear message and
// a non-zero exit, never with a bare abort. As after a fatal report, the units
// still connected are closed on the way out, so every record written is kept.
#pragma once

#include <exception>
#include <functional>
#include <string>
#include <string_view>

namespace zirel {

// Receives the text of the failure ("out of memory", or the exception's own text).
using LastResortReport = std::function<void(std::string_view failure)>;

// From now on an exception that escapes ends the program: `report`, then exit
// with `exit_code`.
void install_last_resort(LastResortReport report, int exit_code);

// "out of memory" for std::bad_alloc, the text of any other std::exception,
// "unknown failure" otherwise.
std::string failure_text(std::exception_ptr failure);

}  // namespace zirel
