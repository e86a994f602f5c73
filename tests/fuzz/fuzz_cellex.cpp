// Reads arbitrary bytes as a reflection file in the cellex layout, record by
// record, and writes every record read back in the output layout.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_common.h"
#include "recio/statement.h"

using namespace zirel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::forbid_fatal_reports();
  static const RecordFormat in("(3I3,F10.0,F6.0,F10.5,I5)");
  static const RecordFormat out("(3I3,TR1,F9.d1,TR1,F5.d2,F10.5,I5)");
  UnitTable table;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  table.connect_memory_input(1, bytes);
  std::string written;
  table.connect_memory_output(2, written);
  int32_t h = 0, k = 0, l = 0;
  float a = 0, b = 0, c = 0; int32_t n = 0;
  // Every read consumes a record, so this ends within size + 1 reads.
  for (size_t guard = 0; guard <= size + 1; ++guard) {
    IoStatus st = read_formatted(table, 1, in, {h, k, l, a, b, c, n}, {.err = true, .end = true});
    fuzz::check_status(st);
    if (st == IO_END) return 0;
    if (st == IO_OK)
      fuzz::check_status(write_formatted(table, 2, out, {h, k, l, a, b, c, n}, {int32_t(size % 6), 2},
                                         {.err = true}));
  }
  std::abort();  // more reads than records: the reader does not advance
}
