// Reads arbitrary bytes as a settings file (four free-form reads of its
// records) and the first 20 bytes as an edit field's text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "tests/fuzz/fuzz_common.h"
#include "recio/statement.h"

using namespace zirel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::forbid_fatal_reports();
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  UnitTable table;
  table.connect_memory_input(3, bytes);
  float cell[6] = {}, lambda_psi[2] = {}, axis[3] = {};
  int32_t axis_kind = 0, kinds[2] = {};
  Branches both{.err = true, .end = true};
  fuzz::check_status(read_list(table, 3, {cell}, both));
  fuzz::check_status(read_list(table, 3, {lambda_psi}, both));
  fuzz::check_status(read_list(table, 3, {axis_kind, axis}, both));
  fuzz::check_status(read_list(table, 3, {kinds}, both));
  table.rewind(3);
  fuzz::check_status(read_list(table, 3, {kinds, cell}, both));

  std::string field(bytes.substr(0, 20));
  field.resize(20, ' ');
  float value = 0;
  fuzz::check_status(read_internal_list(field, {value}, both));
  char shown[10];
  static const RecordFormat f6_4("(F6.4)");
  static const RecordFormat i3("(I3)");
  fuzz::check_status(write_internal(shown, f6_4, {value}, {}, {.err = true}));
  fuzz::check_status(write_internal(shown, i3, {kinds[0]}, {}, {.err = true}));
  return 0;
}
