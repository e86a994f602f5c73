#pragma once

namespace zirel {

// The crystal's unit cell as typed on the form: edges in angstroms, angles in degrees.
struct UnitCell {
  float a = 0.0f;
  float b = 0.0f;
  float c = 0.0f;
  float alpha = 0.0f;
  float beta = 0.0f;
  float gamma = 0.0f;
};

}  // namespace zirel
