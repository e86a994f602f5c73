#include "reduce.h"

#include <fstream>
#include <gemmi/symmetry.hpp>
#include <stdexcept>

namespace zirel::plan::testing {

std::set<Key> reduce(const Reducer& r, const std::vector<std::array<int, 3>>& hkl) {
  const gemmi::SpaceGroup* sg = gemmi::find_spacegroup_by_name(r.group);
  if (sg == nullptr)
    throw std::invalid_argument("no group " + r.group);
  const gemmi::GroupOps ops = sg->operations();
  const gemmi::ReciprocalAsu asu(sg);
  std::set<Key> keys;
  for (const auto& m : hkl) {
    if (ops.is_systematically_absent(m))
      continue;
    const auto [in_asu, isym] = asu.to_asu(m, ops);
    // Odd isym: the reflection itself is in the unique part; even: its Friedel mate.
    const int sign = r.anomalous && !ops.is_reflection_centric(m) ? isym % 2 : 0;
    keys.insert(Key{in_asu[0], in_asu[1], in_asu[2], sign});
  }
  return keys;
}

std::vector<std::array<int, 3>> shelx_indices(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    throw std::runtime_error("cannot read " + path);
  std::vector<std::array<int, 3>> out;
  std::string line;
  while (std::getline(in, line)) {
    std::array<int, 3> m{};
    for (size_t i = 0; i < 3; ++i)
      m[i] = std::stoi(line.substr(4 * i, 4));
    if (m == std::array<int, 3>{0, 0, 0})
      break;
    out.push_back(m);
  }
  return out;
}

}  // namespace zirel::plan::testing
