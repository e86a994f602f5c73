#pragma once
#include <string>

namespace zirel::planning {

// The viridis colour scale: perceptually uniform, readable by colour-blind people,
// and its lightness rises steadily, so it keeps its order printed in grey.
// t from 0 (dark violet) to 1 (yellow); outside that range it is clamped.
std::string viridis_hex(double t);

}  // namespace zirel::planning
