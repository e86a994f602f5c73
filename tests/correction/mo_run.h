// The run the chamber's tests share: the monoclinic example cell on [0 0 1] at Mo
// K-alpha, the idealised rule's half-angle the seat's 38 degrees.
#pragma once

#include "filtering/run_settings.h"

namespace zirel::correction::testing_run {

inline RunSettings mo_run() {
  RunSettings s;
  s.cell = {7.1f, 9.4f, 11.2f, 90.0f, 101.3f, 90.0f};
  s.wavelength = 0.71073f;
  s.psi_max = 38;
  s.axis_kind = AxisKind::UVW;
  s.axis = {0, 0, 1};
  s.input_kind = InputKind::Shelx;
  s.output_kind = OutputKind::Shelx;
  return s;
}

}  // namespace zirel::correction::testing_run
