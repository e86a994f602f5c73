#include "planning/completeness.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include "planning/index_bounds.h"

namespace zirel::planning {

namespace {

constexpr int KEY_BITS = 21;
constexpr int KEY_OFFSET = 1 << (KEY_BITS - 1);

// h k l packed into one word, never 0; 0 for indices that do not fit 21 bits.
std::uint64_t key_of(const Miller& m) {
  const int v[3] = {m.h, m.k, m.l};
  std::uint64_t key = 0;
  for (int x : v) {
    if (x < -KEY_OFFSET || x >= KEY_OFFSET)
      return 0;
    key = (key << KEY_BITS) | static_cast<std::uint64_t>(x + KEY_OFFSET);
  }
  return key + 1;
}

std::uint64_t slot_of(std::uint64_t key, std::uint64_t mask) {
  return (key * 0x9E3779B97F4A7C15ull >> 20) & mask;
}

}  // namespace

std::vector<std::uint8_t> accessible_reflections(const UniqueSet& set, const AccessibilityRun& access) {
  std::vector<std::uint8_t> accessible(set.reflections.size(), 0);
  for (size_t i = 0; i < set.reflections.size(); ++i) {
    const UniqueReflection& u = set.reflections[i];
    const Miller* first = set.equivalents.data() + u.first_equivalent;
    for (const Miller* m = first; m != first + u.equivalent_count; ++m)
      if (is_accessible(access, m->h, m->k, m->l) == Accessibility::Accessible) {
        accessible[i] = 1;
        break;
      }
  }
  return accessible;
}

ReflectionLookup::ReflectionLookup(const UniqueSet& set) {
  const std::uint64_t capacity = std::bit_ceil(std::max<std::uint64_t>(16, set.equivalents.size() * 2));
  mask_ = capacity - 1;
  keys_.assign(capacity, 0);
  unique_.assign(capacity, -1);
  for (size_t u = 0; u < set.reflections.size(); ++u) {
    const UniqueReflection& r = set.reflections[u];
    for (int i = 0; i < r.equivalent_count; ++i) {
      const std::uint64_t key = key_of(set.equivalents[static_cast<size_t>(r.first_equivalent + i)]);
      if (key == 0)
        continue;
      std::uint64_t slot = slot_of(key, mask_);
      while (keys_[slot] != 0 && keys_[slot] != key)
        slot = (slot + 1) & mask_;
      keys_[slot] = key;
      unique_[slot] = static_cast<std::int32_t>(u);
    }
  }
}

int ReflectionLookup::find(const Miller& hkl) const {
  const std::uint64_t key = key_of(hkl);
  if (key == 0)
    return -1;
  for (std::uint64_t slot = slot_of(key, mask_);; slot = (slot + 1) & mask_) {
    if (keys_[slot] == key)
      return unique_[slot];
    if (keys_[slot] == 0)
      return -1;
  }
}

Measurement empty_measurement(const UniqueSet& set) {
  Measurement m;
  m.observations.assign(set.reflections.size(), 0);
  return m;
}

void add_observation(Measurement& m, const ReflectionLookup& lookup, const Symmetry& symmetry,
                     const Miller& hkl) {
  ++m.records;
  const int u = lookup.find(hkl);
  if (u >= 0)
    ++m.observations[static_cast<size_t>(u)];
  else if (symmetry.is_absent(hkl))
    ++m.absent;
  else
    ++m.beyond;
}

CompletenessTable completeness_table(const UniqueSet& set, const std::vector<std::uint8_t>& accessible,
                                     const Measurement* measurement, int shell_count) {
  CompletenessTable table;
  const int n = std::max(1, shell_count);
  table.shells.resize(static_cast<size_t>(n));
  // Shell i holds N (d_min / d)^3 in [i, i+1): equal volumes of the sphere 1/d <= 1/d_min.
  for (int i = 0; i < n; ++i) {
    ShellCounts& s = table.shells[static_cast<size_t>(i)];
    s.d_min = set.d_min * std::cbrt(static_cast<double>(n) / (i + 1));
    s.d_max = i == 0 ? INFINITY : set.d_min * std::cbrt(static_cast<double>(n) / i);
  }
  double largest_d = 0.0;
  for (size_t u = 0; u < set.reflections.size(); ++u) {
    const double d = set.reflections[u].d;
    largest_d = std::max(largest_d, d);
    const double ratio = set.d_min / d;
    const int i = clamped_index(n * ratio * ratio * ratio, 0, n - 1);
    for (ShellCounts* s : {&table.shells[static_cast<size_t>(i)], &table.overall}) {
      ++s->theory;
      s->accessible += accessible[u];
      if (measurement && measurement->observations[u] > 0) {
        ++s->measured;
        s->measured_accessible += accessible[u];
        s->observations += measurement->observations[u];
      }
    }
  }
  table.shells.front().d_max = largest_d;
  table.overall.d_max = largest_d;
  table.overall.d_min = set.d_min;
  return table;
}

}  // namespace zirel::planning
