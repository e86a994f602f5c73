// One reciprocal-lattice layer of a prepared plan, at the plan's axis.
#pragma once

#include <span>
#include "planning/prepare_plan.h"
#include "planning/section.h"

namespace zirel::planning {

// The layer of a plan prepared for PlanCommand::section; `measured` (indices as a data
// set gives them, or none) are marked where they fall in it.
Section plan_section(const PreparedPlan& plan, std::span<const Miller> measured = {});

}  // namespace zirel::planning
