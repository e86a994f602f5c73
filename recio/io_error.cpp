#include "recio/io_error.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace zirel {

std::string_view io_message_pattern(int32_t number) {
  switch (static_cast<IoError>(number)) {
    case IoError::permission_denied: return "permission to access file denied, unit %d, file %s";
    case IoError::record_too_long: return "input record too long, unit %d, file %s";
    case IoError::end_of_file: return "end-of-file during read, unit %d, file %s";
    case IoError::file_not_found: return "file not found, unit %d, file %s";
    case IoError::open_failure: return "open failure, unit %d, file %s";
    case IoError::write_failure: return "error during write, unit %d, file %s";
    case IoError::no_such_device: return "no such device, unit %d, file %s";
    case IoError::file_name_error: return "file name specification error, unit %d, file %s";
    case IoError::list_syntax: return "list-directed I/O syntax error, unit %d, file %s";
    case IoError::utf16_text:
      return "file is UTF-16 text; save it again as plain text (ANSI or UTF-8), unit %d, file %s";
    case IoError::input_conversion: return "input conversion error, unit %d, file %s";
    case IoError::record_overflow: return "output statement overflows record, unit %d, file %s";
  }
  return {};
}

std::string io_message(int32_t number, int32_t unit, std::string_view file) {
  std::string_view pattern = io_message_pattern(number);
  if (pattern.empty())
    pattern = "unknown error, unit %d, file %s";
  std::string out;
  out.reserve(pattern.size() + file.size() + 12);
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 'd') {
      char digits[16];
      auto r = std::to_chars(digits, digits + sizeof digits, unit);
      out.append(digits, r.ptr);
      ++i;
    } else if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's') {
      out.append(file);
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

namespace {

void default_fatal_handler(const FatalReport& r) {
  std::string line = "zirel: ";
  line.append(r.severity);
  line += " (";
  line += std::to_string(r.number);
  line += "): ";
  line += r.message;
  line += '\n';
  std::fflush(stdout);
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

FatalHandler& handler_slot() {
  static FatalHandler handler;
  return handler;
}

}  // namespace

FatalHandler set_fatal_handler(FatalHandler handler) {
  return std::exchange(handler_slot(), std::move(handler));
}

void fatal_io_error(int32_t number, int32_t unit, std::string_view file) {
  FatalReport report{"severe", number, unit, file, io_message(number, unit, file)};
  if (FatalHandler& h = handler_slot())
    h(report);
  else
    default_fatal_handler(report);
  // The report has been shown; the program ends here. std::exit runs the
  // unit table's destructor, so every connected file is flushed and kept.
  std::exit(EXIT_FAILURE);
}

IoStatus resolve_io_status(IoStatus status, Branches branches, int32_t unit,
                           std::string_view file) {
  if (status == IO_OK)
    return IO_OK;
  if (status == IO_END) {
    if (branches.end)
      return IO_END;
    fatal_io_error(io_status(IoError::end_of_file), unit, file);
  }
  if (branches.err)
    return status;
  fatal_io_error(status, unit, file);
}

}  // namespace zirel
