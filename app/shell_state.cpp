#include "app/shell_state.h"

#include "recio/unit.h"

namespace zirel {

ShellState& shell_state() {
  static ShellState state;
  return state;
}

void close_shell_units() {
  for (int32_t unit : {INPUT_UNIT, OUTPUT_UNIT, SETTINGS_UNIT}) close_unit(unit);
}

void reset_shell_state() {
  close_shell_units();
  shell_state() = ShellState{};
}

}  // namespace zirel
