#include "planning/plan_section.h"

#include "planning/map_input.h"

namespace zirel::planning {

Section plan_section(const PreparedPlan& p, std::span<const Miller> measured) {
  const CartesianFrame frame = make_frame(p.settings.cell);
  SectionInput in;
  in.plane = p.plane;
  in.frame = &frame;
  in.run = &p.access;
  in.axis_cartesian = axis_direction(frame, p.settings.axis_kind, p.settings.axis);
  in.d_min = p.counted_d_min;
  in.absent = [&](const Miller& m) { return p.symmetry.is_absent(m); };
  in.measured = measured;
  return make_section(in);
}

}  // namespace zirel::planning
