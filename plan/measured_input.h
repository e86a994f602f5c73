// Reads a measured reflection file into a Measurement, through the filtering run's
// own readers: SHELX when the name contains ".hkl", otherwise Cellex.
#pragma once

#include <functional>
#include <string>
#include "plan/common_options.h"
#include "planning/completeness.h"

namespace zirel::plan {

// Calls `each` with the indices of every record up to the end of the file or a 0 0 0
// record, as the filtering run reads them. False, with `refusal` set, when the file
// cannot be opened (exit 2) or a record cannot be read (exit 1).
bool read_indices(const std::string& file, const std::function<void(const Miller&)>& each, Refusal& refusal);

// Every record of the file counted against the unique set, as read_indices reads them.
bool read_measurement(const std::string& file, const UniqueSet& set, const Symmetry& symmetry,
                      Measurement& measurement, Refusal& refusal);

}  // namespace zirel::plan
