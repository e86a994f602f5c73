// One reflection's correction: its two beams in the cell's frame, whether each passed
// the opening on its side, and the transmission of the flat layers on both paths.
#pragma once

#include "correction/prepare_correction.h"

namespace zirel::correction {

// A beam in the cell's frame and where it leaves.
struct BeamPath {
  Vec3d u{};                 // unit vector in the cell's frame (z along +[U V W])
  bool plus_side = false;    // u_z > 0: through the + side's anvil and seat
  double cos_axis = 1;       // |u_z|
  double angle_deg() const;  // to the axis, acos |u_z|
  bool blocked = false;      // beyond the opening of its side
  double transmission = 1;   // of the flat layers on its side
};

struct ReflectionCorrection {
  CheckedBeams checked;
  BeamPath incident, diffracted;  // meaningful when checked.check is ok
  bool measured_pass = false;     // both beams within their side's opening
  bool idealised_pass = false;    // zirel-batch's rule for h k l
  double transmission = 1;        // T = T_in T_out V; V only when measured_pass (else T_in T_out)
};

// Flat layers on one path: T = exp(-sum_j mu_j t_j / |cos phi|), Beer-Lambert's law with
// the path length through a plate of thickness t at angle phi to its normal.
BeamPath beam_path(const PreparedCorrection& p, const Vec3d& crystal_frame_unit);

ReflectionCorrection correct_reflection(const PreparedCorrection& p, int h, int k, int l, const Cosines& cosines);

}  // namespace zirel::correction
