// How complete data can be and how complete they are: the unique reflections that one
// orientation lets through, the ones a data set has measured, and both by shell.
#pragma once

#include <cstdint>
#include <vector>
#include "filtering/accessibility.h"
#include "planning/unique_set.h"

namespace zirel::planning {

// Per unique reflection, 1 when at least one of its equivalents passes the filtering's
// own accessibility test.
std::vector<std::uint8_t> accessible_reflections(const UniqueSet& set, const AccessibilityRun& access);

// Finds the unique reflection an h k l belongs to: an open-addressing table over
// every equivalent, so a million records are looked up in a few milliseconds.
class ReflectionLookup {
public:
  explicit ReflectionLookup(const UniqueSet& set);
  // Index into set.reflections, or -1 when h k l is none of the equivalents.
  int find(const Miller& hkl) const;

private:
  std::vector<std::uint64_t> keys_;  // 0 marks an empty slot
  std::vector<std::int32_t> unique_;
  std::uint64_t mask_ = 0;
};

// What the records of a data set contributed.
struct Measurement {
  std::vector<std::int32_t> observations;  // per unique reflection
  std::int64_t records = 0;                // every record read
  std::int64_t absent = 0;                 // systematically absent
  std::int64_t beyond = 0;                 // finer than d_min (or index too large)
};

Measurement empty_measurement(const UniqueSet& set);
void add_observation(Measurement& m, const ReflectionLookup& lookup, const Symmetry& symmetry,
                     const Miller& hkl);

struct ShellCounts {
  double d_max = 0;  // the shell's limits; d_max of the first shell is the largest d present
  double d_min = 0;
  std::int64_t theory = 0;
  std::int64_t accessible = 0;
  std::int64_t measured = 0;      // unique reflections with at least one record
  std::int64_t measured_accessible = 0;  // of those, the accessible ones
  std::int64_t observations = 0;  // records of those
};

struct CompletenessTable {
  std::vector<ShellCounts> shells;
  ShellCounts overall;
};

// Shells of equal volume in reciprocal space between 1/d = 0 and 1/d_min.
// `measurement` may be null.
CompletenessTable completeness_table(const UniqueSet& set, const std::vector<std::uint8_t>& accessible,
                                     const Measurement* measurement, int shell_count);

}  // namespace zirel::planning
