#pragma once
#include "filtering/metric_tensor.h"
#include "filtering/unit_cell.h"

namespace zirel {

// How the axis vector is read: a direct-lattice direction U V W, or the normal
// of the lattice plane (h k l). The numbers are the ones kept in the settings file.
enum class AxisKind : int { UVW = 0, HKL = 1 };

// Layout of the reflection file read, or generation instead of a file.
enum class InputKind : int { Cellex = 1, Shelx = 2, Generated = -1 };

// Layout of the reflection file written.
enum class OutputKind : int { Cellex = 1, Shelx = 2 };

// The values the form edits and the settings file keeps; all zero until loaded.
struct RunSettings {
  UnitCell cell;
  float wavelength = 0.0f;  // angstroms
  float psi_max = 0.0f;     // half-angle of the cell opening, degrees
  AxisKind axis_kind = AxisKind::UVW;
  Vec3 axis{};
  InputKind input_kind{};
  OutputKind output_kind{};
};

}  // namespace zirel
