#include "shell_state.h"

#include "recio/unit.h"

namespace zirel {

ShellState& shell_state() {
  static ShellState state;
  return state;
}

void reset_shell_state() {
  for (int32_t unit : {INPUT_UNIT, OUTPUT_UNIT, SETTINGS_UNIT}) close_unit(unit);
  shell_state() = ShellState{};
}

}  // namespace zirel
