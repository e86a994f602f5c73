// A reflection's two beams from the direction cosines an integration program writes
// behind the SHELX columns, and the check that they belong to the cell and wavelength.
#pragma once

#include <array>
#include <optional>
#include <string_view>
#include "planning/cartesian.h"

namespace zirel::correction {

using planning::Vec3d;

// Six cosines in the order the file holds them: reversed incident . a*, diffracted . a*,
// reversed incident . b*, diffracted . b*, reversed incident . c*, diffracted . c*.
using Cosines = std::array<double, 6>;

// The columns after h k l, I, sigma(I): a batch number in 29-32, the six cosines in 33-80
// (fields of 8 columns, F8.5: with a decimal point, or without one and five implied decimals).
inline constexpr std::size_t BATCH_COLUMNS = 4;
inline constexpr std::size_t COSINE_WIDTH = 8;
inline constexpr std::size_t COSINE_DECIMALS = 5;
// Text after column 28 that a record with cosines has at least: the batch and six cosines.
inline constexpr std::size_t COSINE_EXTRA_COLUMNS = BATCH_COLUMNS + 6 * COSINE_WIDTH;

enum class CosineRead { ok, missing, unreadable };

// The cosines from a record's text after column 28; `missing` when the record is
// too short or the cosine columns are blank, `unreadable` when a field is no number.
CosineRead read_cosines(std::string_view extra_columns, Cosines& cosines);

// Both beams as unit-length-or-not vectors in the crystal's Cartesian frame (planning's
// orthogonalisation): u = (c_a |a*|) a + (c_b |b*|) b + (c_c |c*|) c. Since a_i . a*_j is
// the Kronecker delta, u . a*_i / |a*_i| = c_i for a unit u: the cosines are u's.
struct BeamPair {
  Vec3d incident_reversed{};  // from the crystal towards the source
  Vec3d diffracted{};
};

// The frame and what the check needs, fixed once per run.
struct BeamFrame {
  planning::CartesianFrame frame;
  std::array<double, 3> reciprocal_length{};  // |a*|, |b*|, |c*| in 1/A
  double wavelength = 0;                      // A
  double norm_tolerance = 0;                  // allowed | |u| - 1 |
  double angle_tolerance = 0;                 // allowed |angle - 2 theta|, radians
};

// The tolerances follow from 5-decimal rounding: each cosine is off by at most
// e = 0.5e-5, so u is off by at most |du| <= e * sum_i |a*_i| |a_i| (= 1.5e-5 for an
// orthogonal cell). Its length is then off by at most |du|, and each beam's direction
// by at most |du| radians, the angle between the two by 2 |du|. Both bounds are
// doubled to leave room for the cell's own rounding in the file's header.
BeamFrame make_beam_frame(const UnitCell& cell, double wavelength);

BeamPair beams_of(const BeamFrame& frame, const Cosines& cosines);

enum class BeamCheck { ok, not_unit, wrong_angle };

struct CheckedBeams {
  BeamCheck check = BeamCheck::ok;
  BeamPair beams;  // normalised when the check passed
  // Set when the angle is wrong, for a message: 2 theta from h k l, the cell and the
  // wavelength (NaN beyond the limiting sphere), and the angle between the beams.
  double two_theta_rad = 0;
  double measured_angle_rad = 0;
};

// 2 theta = 2 asin(lambda / 2d) (Bragg's law) against the angle between the two beams.
CheckedBeams check_beams(const BeamFrame& frame, int h, int k, int l, const Cosines& cosines);

}  // namespace zirel::correction
