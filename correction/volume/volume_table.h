// The volume average V(u_in, u_out) read from a table made once per run, for a chamber
// that looks the same from every azimuth about the axis: a plate centred in the hole,
// or any plate when the gasket is not described (its own absorption does not depend on
// where it lies), and for a plate off the centre the beams that meet no wall. V then depends on three numbers only, the two beams' angles to the
// axis and the azimuth between them, and is tabulated over them for beams that leave
// through opposite sides, as a DAC measures them (in through one anvil, out through
// the other): one table for each way round, made when the first reflection needs it.
// Beams through the same side are integrated directly: with the wall's shadow on both,
// V changes too sharply with the azimuth between them for a table of modest size.
#pragma once

#include <array>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "correction/volume/geometry.h"

namespace zirel::correction {

// Node spacing: at most `step_deg` between two angles to the axis where no path meets
// the gasket's wall, `wall_step_deg` beyond the angle where the wall's shadow first
// reaches the crystal (there V has a large fourth derivative), `azimuth_step_deg`
// between two azimuths (V depends on the azimuth weakly). Each stretch of angles
// between two of the chamber's own breaks (see angle_breaks) has at least 3 steps, so
// that a cubic stays inside it. The defaults keep the table within 1e-4 (relative)
// of the direct integration, the tests show, at a few thousand nodes.
struct TableSpacing {
  double step_deg = 3.0;
  double wall_step_deg = 0.75;
  double azimuth_step_deg = 22.5;
};

// Angles to the axis (degrees, in (0, limit)) at which V, as a function of one beam's
// angle leaving through `exit`, has a kink or a jump in a low derivative: where the
// wall's shadow reaches the near and the far rim of the plate's top and bottom faces,
// and where every path through a face leaves by the rim instead (tan = diameter /
// thickness). The table's angles have nodes there, and no cubic spans one. `wall_from`
// gets the first of the wall's (90 without a gasket).
std::vector<double> angle_breaks(const PreparedVolume& v, Side exit, double limit_deg, double& wall_from);

class VolumeTable {
public:
  // Nothing for a box, which is not the same from every azimuth. A plate off the hole's
  // centre with a gasket gets tables of its own absorption alone, read for the pairs of
  // beams neither of which meets the wall from any point of the plate (most of them,
  // with an opening inside the shadow's onset); the others are integrated directly.
  // limit_deg[s]: the largest angle to the axis of a beam
  // leaving through side s (minus, plus) that the table holds; beyond it, and for
  // the few beams not in it, operator() integrates directly.
  static std::optional<VolumeTable> make(const PreparedVolume& v, std::array<double, 2> limit_deg,
                                         const TableSpacing& spacing = {});

  // Tricubic interpolation in the table of the two beams' sides, made on first use
  // (safe to call from several threads); volume_average itself where the table does
  // not reach or has failed its check.
  double operator()(const Vec3& u_in, const Vec3& u_out) const;

  // Whether operator() reads this pair from a table (making it if need be). A table is
  // checked when it is made, against volume_average at CHECK_POINTS points between its
  // nodes; one that is off by more than CHECK_TOLERANCE (relative, where V is at least a
  // twentieth of its value on the axis) is not used.
  bool tabulated(const Vec3& u_in, const Vec3& u_out) const;
  static constexpr int CHECK_POINTS = 200;
  static constexpr int FIRST_CHECK_POINTS = 16;  // made before the rest of the table
  static constexpr double CHECK_TOLERANCE = 5e-5;

  // The nodes of a table: the values there are volume_average's own.
  std::size_t nodes_per_table() const;

private:
  // The angles to the axis of one side: stretches between breaks, each uniform.
  struct Stretch {
    double start, step;
    int first_node, steps;
  };
  struct AngleAxis {
    std::vector<Stretch> stretches;
    int node_count = 0;
    double limit = 0;  // radians
  };
  struct Table {
    std::once_flag made;
    bool usable = false;
    std::vector<double> values;  // [in][out][azimuth]; NaN: not made yet
  };

  VolumeTable() = default;
  static AngleAxis angle_axis(const std::vector<double>& breaks_deg, double wall_from_deg, double limit_deg,
                              const TableSpacing& spacing);
  // The 4 x 4 x 4 nodes about a point and their weights.
  struct Stencil {
    int side_in = 0, in0 = 0, out0 = 0;
    std::array<int, 4> az{};
    std::array<double, 4> win{}, wout{}, waz{};
  };
  double node_value(int side_in, int i, int j, int k) const;
  std::size_t index(int side_in, int i, int j, int k) const;
  void fill(Table& t, int side_in) const;  // the nodes not made yet
  Stencil stencil(int side_in, double theta_in, double theta_out, double azimuth) const;
  double interpolate(const Table& t, const Stencil& s) const;
  // The first `points` points of the check, making the nodes they need.
  bool check(Table& t, int side_in, int points) const;
  // The table of a pair of beams, made and checked; nothing when they leave through the
  // same side or lie beyond the limits.
  const Table* table_for(const Vec3& u_in, const Vec3& u_out) const;

  std::shared_ptr<const PreparedVolume> volume_;            // the chamber as described
  std::shared_ptr<const PreparedVolume> tabulated_volume_;  // the one the tables hold
  bool wall_by_pair_ = false;  // the tables hold the plate alone: read only where no beam meets the wall
  std::array<AngleAxis, 2> angles_;
  int azimuth_steps_ = 0;
  std::shared_ptr<std::array<Table, 2>> tables_;  // by the incoming beam's side
};

}  // namespace zirel::correction
