// What the picture of a correction draws: the transmission of a single beam as a
// function of its direction, on each side of the cell, the circles of the opening and
// of the gasket's shadow, and a sample of the measured beams. Computed here, drawn by
// correction/pictures, so the numbers are tested without any SVG.
#pragma once

#include <cstdint>
#include <vector>
#include "correction/prepare_correction.h"
#include "correction/volume/geometry.h"

namespace zirel::correction {

// A direction on one side: its angle to the axis (polar) and its azimuth from the cell
// frame's x towards y, both in degrees.
struct SideDirection {
  double polar_deg = 0, azimuth_deg = 0;
};

// One side of the cell (beams leaving with u_z > 0 for plus), sampled on rings of equal
// polar step, each ring cut into cells of about equal solid angle.
struct SideTransmission {
  bool plus = true;
  double opening_deg = 90;          // beyond it the seat (or plate) blocks every beam
  double shadow_onset_deg = 90;     // below it no path from the crystal meets the gasket
  double shadow_full_deg = 90;      // beyond it every path does
  double step_deg = 1;              // the rings' polar width, from 0 to opening_deg
  std::vector<int> ring_size;       // cells per ring, azimuth from 0 in equal parts
  std::vector<double> transmission;  // per cell, ring after ring: flat layers x volume factor
  std::vector<SideDirection> beams;  // the measured beams drawn (a sample)
  int64_t beams_seen = 0;            // all measured beams leaving through this side
  int ring_count() const { return static_cast<int>(ring_size.size()); }
};

struct TransmissionMap {
  SideTransmission plus, minus;
};

// exp(-sum mu t / cos polar) of the side's flat layers times the mean over the crystal of
// exp(-mu_g L_g - mu_c L_c) along that one beam; 0 beyond the opening. `u` in the cell's
// frame, unit length.
double single_beam_transmission(const PreparedCorrection& p, const Vec3d& u);

// The mean over the crystal of one beam's transmission through the gasket and the crystal
// (1 without either). Exact with its shadow edges when the crystal's own mu is 0: the
// volume average paired with a beam along the axis, which meets no wall; otherwise a
// product Gauss-Legendre rule of `points` per dimension over the crystal.
double single_beam_volume_factor(const PreparedVolume& v, const Vec3& u, int points = 12);

// The direction of (polar, azimuth) on a side, in the cell's frame.
Vec3d side_direction(bool plus, double polar_deg, double azimuth_deg);

// Both sides on rings of `step_deg`; the beams are added afterwards (BeamSample).
TransmissionMap transmission_map(const PreparedCorrection& p, double step_deg = 1);

// A deterministic sample of at most `limit` beams per side from a stream of any length
// (reservoir sampling, Vitter, ACM Trans. Math. Softw. 11 (1985) 37, algorithm R, with a
// fixed-seed generator), so the picture stays small and the same on every run.
class BeamSample {
public:
  explicit BeamSample(std::size_t limit_per_side = 1500) : limit_(limit_per_side) {}
  // A beam in the cell's frame (unit length), pointing away from the crystal.
  void add(const Vec3d& u);
  // Puts the sample into the map's sides.
  void fill(TransmissionMap& map) const;

private:
  void add_to(std::vector<SideDirection>& sample, int64_t& seen, SideDirection d);
  std::size_t limit_;
  std::vector<SideDirection> plus_, minus_;
  int64_t plus_seen_ = 0, minus_seen_ = 0;
  uint64_t state_ = 0x9E3779B97F4A7C15ull;
};

}  // namespace zirel::correction
