// The angles to the DAC axis at which the gasket's wall starts to shadow the crystal
// and at which it shadows all of it, for beams leaving through one side.
#pragma once

#include "correction/volume/geometry.h"

namespace zirel::correction {

struct ShadowAngles {
  double onset_deg = 90;  // below it no path from any point of the crystal meets the wall
  double full_deg = 90;   // beyond it, in every azimuth, every path meets the wall
};

// 90 and 90 without a gasket; full_deg is 90 when part of the crystal touches the
// culet the beams leave through (those paths never meet the wall).
ShadowAngles shadow_angles(const PreparedVolume& v, Side exit);

// For one beam (a unit vector pointing away from the crystal), exactly: whether some
// path from the crystal along it meets the gasket's wall, and whether every path does.
// False and false without a gasket; a beam parallel to the culets reaches the wall and
// is not called fully shadowed (it is left to the integration).
bool reaches_wall(const PreparedVolume& v, const Vec3& u);
bool fully_shadowed(const PreparedVolume& v, const Vec3& u);

}  // namespace zirel::correction
