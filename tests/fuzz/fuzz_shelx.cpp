// Reads arbitrary bytes as a reflection file in the shelx layout, record by
// record, and writes every record read back in the output layout.
#include "tests/fuzz/fuzz_common.h"

using namespace zirel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const RecordFormat in("(3I4,F8.0,F8.0)");
  static const RecordFormat out("(3I4,TR1,F7.d1,TR1,F7.d2)");
  int32_t h = 0, k = 0, l = 0;
  float a = 0, b = 0;
  return fuzz::read_and_write_back(data, size, in, out, {h, k, l, a, b});
}
