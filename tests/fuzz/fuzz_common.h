// Shared by the fuzz targets: a fatal report would end the process, which
// libFuzzer counts as a crash, so every statement declares both branches and
// a report that still arrives is a fault.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "recio/io_error.h"
#include "recio/statement.h"

namespace zirel::fuzz {

inline void forbid_fatal_reports() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  set_fatal_handler([](const FatalReport& r) {
    std::fprintf(stderr, "unexpected fatal report: %s\n", r.message.c_str());
    std::abort();
  });
}

// A status is one of: done, end of file, or one of the layer's error numbers.
inline void check_status(IoStatus st) {
  if (st != IO_OK && st != IO_END && io_message_pattern(st).empty()) std::abort();
}

// Reads arbitrary bytes as a reflection file under `in`, record by record, and
// writes every record read back under `out`; `items` serve both statements.
inline int read_and_write_back(const uint8_t* data, size_t size, const RecordFormat& in,
                               const RecordFormat& out, IoList items) {
  forbid_fatal_reports();
  UnitTable table;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  table.connect_memory_input(1, bytes);
  std::string written;
  table.connect_memory_output(2, written);
  // Every read consumes a record, so this ends within size + 1 reads.
  for (size_t guard = 0; guard <= size + 1; ++guard) {
    IoStatus st = read_formatted(table, 1, in, items, {.err = true, .end = true});
    check_status(st);
    // End of file ends the records; a UTF-16 file is refused as a whole, at
    // every read, so it has no records to walk.
    if (st == IO_END || st == io_status(IoError::utf16_text)) return 0;
    if (st == IO_OK)
      check_status(write_formatted(table, 2, out, items, {int32_t(size % 6), 2}, {.err = true}));
  }
  std::abort();  // more reads than records: the reader does not advance
}

}  // namespace zirel::fuzz
