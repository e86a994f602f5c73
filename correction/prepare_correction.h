// From the run's settings and the cell's description to everything the correction of
// one reflection needs, or the reason it cannot run. Every check is made here, in this
// order: (1) prepare_run's own (wavelength, Psi max, the cell, the axis), so a refusal
// reads as zirel-batch's; (2) each side's anvil and backing plate, whose formula and
// energy xraylib must accept; (3) an opening on at least one side; (4) the gasket's and
// the crystal's materials, then their sizes as prepare_volume checks them.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include "correction/beam_vectors.h"
#include "correction/dac_description.h"
#include "correction/volume/geometry.h"
#include "filtering/prepare_run.h"
#include "planning/small_directions.h"

namespace zirel::correction {

inline constexpr const char* NO_OPENING_MESSAGE =
    "no opening on either side: give seat.opening_deg (or --seat-opening DEGREES)";

struct CorrectionSettings {
  RunSettings run;          // cell, wavelength, axis; psi_max is the idealised rule's
  DacDescription dac;
};

// One side as the run uses it.
struct PreparedSide {
  double cos_opening = 0;     // a beam with |cos phi| below this is blocked; 0: no limit
  double opening_deg = 90;
  double mu_anvil = 0;        // mm^-1
  double mu_plate = 0;        // mm^-1, 0 without a backing plate
  double attenuation_length = 0;  // sum of mu t over the side's flat layers (dimensionless)
};

// The volume average of part of the transmission that depends on where in the crystal a
// beam starts (the gasket, the crystal itself): a function of the two beams in the cell's
// frame (z along +[U V W], mm), multiplying the flat layers' transmission. Empty: 1.
using VolumeFactor = std::function<double(const Vec3d& incident_reversed, const Vec3d& diffracted)>;

struct PreparedCorrection {
  PreparedRun base;           // the idealised rule of zirel-batch, for the comparison
  BeamFrame beams;
  planning::Mat3d to_cell_frame;  // crystal Cartesian to the cell's frame: rows x, y, z
  PreparedSide plus, minus;
  planning::SmallDirections small;
  VolumeFactor volume_factor;  // set only with a gasket or the crystal's own absorption
  std::shared_ptr<const PreparedVolume> volume;  // the chamber as described; empty: none
  double mu_gasket = 0;       // mm^-1, 0 for an opaque gasket or none
  double mu_crystal = 0;      // mm^-1, 0 when its formula is not given
  double t_axis = 1;          // the total factor of a reflection whose two beams lie on the axis
};

// The chamber of a description in the volume average's terms, with the two μ (mm^-1)
// given; a crystal lying on the culet of dac.plus lies at the top (+z) of the chamber.
VolumeGeometry volume_geometry(const DacDescription& dac, double mu_gasket, double mu_crystal);

struct CorrectionRefusal {
  std::optional<RunRefusal> run;  // a refusal of prepare_run
  std::string message;            // otherwise, in words
};

struct CorrectionPreparation {
  std::optional<PreparedCorrection> prepared;
  std::optional<CorrectionRefusal> refusal;
};

CorrectionPreparation prepare_correction(const CorrectionSettings& settings);

}  // namespace zirel::correction
