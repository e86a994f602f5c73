// Reads arbitrary bytes as a reflection file in the cellex layout, record by
// record, and writes every record read back in the output layout.
#include "tests/fuzz/fuzz_common.h"

using namespace zirel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const RecordFormat in("(3I3,F10.0,F6.0,F10.5,I5)");
  static const RecordFormat out("(3I3,TR1,F9.d1,TR1,F5.d2,F10.5,I5)");
  int32_t h = 0, k = 0, l = 0, n = 0;
  float a = 0, b = 0, c = 0;
  return fuzz::read_and_write_back(data, size, in, out, {h, k, l, a, b, c, n});
}
