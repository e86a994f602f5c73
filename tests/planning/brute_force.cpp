#include "brute_force.h"

#include <algorithm>
#include <cmath>
#include <gemmi/symmetry.hpp>
#include <set>
#include <stdexcept>

namespace zirel::planning::testing {

void sort_orbits(std::vector<Orbit>& orbits) {
  for (Orbit& o : orbits)
    std::sort(o.begin(), o.end());
  std::sort(orbits.begin(), orbits.end());
}

std::vector<Orbit> brute_force_orbits(const BruteForceCase& c) {
  const gemmi::SpaceGroup* sg = gemmi::find_spacegroup_by_name(c.group, c.cell.alpha, c.cell.gamma);
  if (sg == nullptr)
    throw std::invalid_argument("no group " + c.group);
  const gemmi::GroupOps ops = sg->operations();
  const CellMetric metric = build_metric(c.cell);
  int bound[3];
  for (int i = 0; i < 3; ++i)
    bound[i] = static_cast<int>(std::ceil(std::sqrt(double(metric.g.m[i][i])) / c.d_min)) + 2;

  std::set<Index> seen;
  std::vector<Orbit> orbits;
  for (int h = -bound[0]; h <= bound[0]; ++h)
    for (int k = -bound[1]; k <= bound[1]; ++k)
      for (int l = -bound[2]; l <= bound[2]; ++l) {
        if ((h == 0 && k == 0 && l == 0) || seen.count(Index{h, k, l}))
          continue;
        if (d_spacing(metric, Vec3{float(h), float(k), float(l)}) < c.d_min)
          continue;
        if (c.absences && ops.is_systematically_absent({{h, k, l}}))
          continue;
        std::set<Index> orbit;
        for (const gemmi::Op& op : ops.sym_ops) {
          const auto r = op.apply_to_hkl({{h, k, l}});
          orbit.insert(Index{r[0], r[1], r[2]});
          if (!c.anomalous)
            orbit.insert(Index{-r[0], -r[1], -r[2]});
        }
        seen.insert(orbit.begin(), orbit.end());
        orbits.emplace_back(orbit.begin(), orbit.end());
      }
  sort_orbits(orbits);
  return orbits;
}

}  // namespace zirel::planning::testing
