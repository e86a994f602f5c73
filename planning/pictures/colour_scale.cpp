#include "colour_scale.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace zirel::planning {

namespace {

// viridis sampled at eleven equal steps (van der Walt and Smith, 2015);
// between them the scale is interpolated linearly.
constexpr std::array<std::array<int, 3>, 11> VIRIDIS = {{
    {0x44, 0x01, 0x54}, {0x48, 0x25, 0x76}, {0x41, 0x44, 0x87}, {0x35, 0x60, 0x8d},
    {0x2a, 0x78, 0x8e}, {0x21, 0x90, 0x8c}, {0x22, 0xa8, 0x84}, {0x43, 0xbf, 0x71},
    {0x7a, 0xd1, 0x51}, {0xbb, 0xdf, 0x27}, {0xfd, 0xe7, 0x25},
}};

}  // namespace

std::string viridis_hex(double t) {
  t = std::clamp(std::isnan(t) ? 0.0 : t, 0.0, 1.0) * (VIRIDIS.size() - 1);
  const size_t i = std::min(static_cast<size_t>(t), VIRIDIS.size() - 2);
  const double f = t - static_cast<double>(i);
  static constexpr char DIGITS[] = "0123456789abcdef";
  std::string hex = "#";
  for (int c = 0; c < 3; ++c) {
    const int v = static_cast<int>(std::lround(VIRIDIS[i][c] + f * (VIRIDIS[i + 1][c] - VIRIDIS[i][c])));
    hex += DIGITS[v >> 4];
    hex += DIGITS[v & 15];
  }
  return hex;
}

}  // namespace zirel::planning
