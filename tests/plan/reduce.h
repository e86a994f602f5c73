// Reduces reflections to their unique representatives with gemmi's own asymmetric
// unit, independently of the planning library, to check zirel-plan's counts.
#pragma once

#include <array>
#include <set>
#include <string>
#include <vector>

namespace zirel::plan::testing {

using Key = std::array<int, 4>;  // h k l in gemmi's asymmetric unit, and the Friedel sign

struct Reducer {
  std::string group;
  bool anomalous = false;
};

// The distinct unique reflections of `hkl` (triples), leaving out systematically absent ones.
std::set<Key> reduce(const Reducer& r, const std::vector<std::array<int, 3>>& hkl);

// h k l of every record of a SHELX file up to the end or a 0 0 0 record.
std::vector<std::array<int, 3>> shelx_indices(const std::string& path);

}  // namespace zirel::plan::testing
