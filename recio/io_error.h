// Statuses, error numbers and the fatal report of the record I/O layer.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace zirel {

// Result of a statement as its caller sees it: 0 done, -1 end of file
// (only with an end branch), a positive error number (only with an error branch).
using IoStatus = int32_t;
constexpr IoStatus IO_OK = 0;
constexpr IoStatus IO_END = -1;

// The conditions the program can meet. The numbers are part of the user-visible
// report and of the statuses handed back, so they never change.
enum class IoError : int32_t {
  permission_denied = 9,
  record_too_long = 22,  // an input record longer than MAX_RECORD_LENGTH
  end_of_file = 24,
  file_not_found = 29,
  open_failure = 30,
  write_failure = 38,
  no_such_device = 42,
  file_name_error = 43,
  list_syntax = 59,
  utf16_text = 60,  // an input file saved as UTF-16 ("Unicode" in Windows editors)
  input_conversion = 64,
  record_overflow = 66,  // internal write longer than its text buffer
};

// The status a statement hands back for a condition.
constexpr IoStatus io_status(IoError error) { return static_cast<IoStatus>(error); }

// Which conditions a statement's caller handles itself. A condition without a
// matching branch is fatal; end of file without an end branch is fatal even
// when an error branch is present.
struct Branches {
  bool err = false;
  bool end = false;
};

// Message pattern with "%d" for the unit and "%s" for the file, for example
// "file not found, unit %d, file %s"; empty for an unknown number.
std::string_view io_message_pattern(int32_t number);
// The pattern with unit and file filled in.
std::string io_message(int32_t number, int32_t unit, std::string_view file);

// Unit number and file name reported for text-buffer statements.
constexpr int32_t INTERNAL_UNIT = -5;
constexpr std::string_view INTERNAL_LIST_READ_NAME = "Internal List-Directed Read";
constexpr std::string_view INTERNAL_WRITE_NAME = "Internal Formatted Write";

struct FatalReport {
  std::string_view severity;  // always "severe"
  int32_t number;
  int32_t unit;
  std::string_view file;
  std::string message;        // io_message(number, unit, file)
};

// The one place a fatal condition goes. The default handler writes
//   zirel: severe (29): file not found, unit 3, file zirel.dat
// to standard error. When the handler returns, the program ends (std::exit(1),
// which closes every connected unit). A handler may throw instead (tests do);
// the statement is then abandoned with its unit still connected and usable.
using FatalHandler = std::function<void(const FatalReport&)>;
// Installs `handler` (an empty one restores the default); returns the previous one.
FatalHandler set_fatal_handler(FatalHandler handler);

// Reports `number` for `unit`/`file` through the handler and ends the program.
[[noreturn]] void fatal_io_error(int32_t number, int32_t unit, std::string_view file);

// Resolves a condition against the caller's branches: returns the status to
// hand back, or reports it fatally. `status` is IO_END or an error number.
IoStatus resolve_io_status(IoStatus status, Branches branches, int32_t unit,
                           std::string_view file);

}  // namespace zirel
