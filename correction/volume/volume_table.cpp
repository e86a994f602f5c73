// The volume average between nodes by piecewise cubic (four-point Lagrange)
// interpolation in each of the three variables, i.e. tricubic on a tensor grid
// (Press et al., Numerical Recipes, 3rd ed. (2007), sections 3.2 and 3.6: the
// interpolating polynomial through four neighbouring values, applied along one
// variable after another). Its error is of the fourth order in the spacing where V
// is smooth; the angles have nodes at V's own breaks, so no cubic spans a kink.
#include "correction/volume/volume_table.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <system_error>
#include <thread>

#include "correction/volume/shadow_angles.h"
#include "correction/volume/volume_average.h"

namespace zirel::correction {
namespace {

constexpr double RAD = std::numbers::pi / 180;

// Weights of the cubic through nodes 0, 1, 2, 3 at u (in units of the step).
std::array<double, 4> lagrange(double u) {
  return {-(u - 1) * (u - 2) * (u - 3) / 6, u * (u - 2) * (u - 3) / 2, -u * (u - 1) * (u - 3) / 2,
          u * (u - 1) * (u - 2) / 6};
}

// A beam's angle to the axis, accurate near the axis too.
double axis_angle(const Vec3& u) { return std::atan2(std::hypot(u.x, u.y), std::abs(u.z)); }


}  // namespace

std::vector<double> angle_breaks(const PreparedVolume& v, Side exit, double limit_deg, double& wall_from) {
  std::vector<double> breaks;
  wall_from = 90;
  auto add = [&](double rad) {
    const double deg = rad / RAD;
    if (deg > 0 && deg < limit_deg)
      breaks.push_back(deg);
  };
  const double a = v.half_a;
  if (v.gasket.present)
    for (double face : {v.z_low, v.z_high}) {
      // The face's height above the culet the beam leaves through.
      const double h = exit == Side::plus ? v.chamber - face : face;
      if (h > 0) {
        wall_from = std::min(wall_from, std::atan((v.hole_radius - a) / h) / RAD);
        add(std::atan((v.hole_radius - a) / h));
        add(std::atan((v.hole_radius + a) / h));
      }
    }
  if (v.crystal.mu > 0)
    add(std::atan(2 * a / (v.z_high - v.z_low)));
  std::sort(breaks.begin(), breaks.end());
  return breaks;
}

VolumeTable::AngleAxis VolumeTable::angle_axis(const std::vector<double>& breaks_deg, double wall_from_deg,
                                               double limit_deg, const TableSpacing& spacing) {
  std::vector<double> ends{0};
  for (double b : breaks_deg)
    if (b - ends.back() > 1e-6)
      ends.push_back(b);
  if (limit_deg - ends.back() > 1e-6)
    ends.push_back(limit_deg);
  else
    ends.back() = limit_deg;
  AngleAxis axis;
  axis.limit = limit_deg * RAD;
  for (std::size_t i = 0; i + 1 < ends.size(); ++i) {
    const double width = ends[i + 1] - ends[i];
    const double step = ends[i] >= wall_from_deg - 1e-9 ? spacing.wall_step_deg : spacing.step_deg;
    const int steps = std::max(3, int(std::ceil(width / step - 1e-9)));
    axis.stretches.push_back({ends[i] * RAD, width * RAD / steps, axis.node_count, steps});
    axis.node_count += steps;
  }
  axis.node_count += 1;
  return axis;
}

std::optional<VolumeTable> VolumeTable::make(const PreparedVolume& v, std::array<double, 2> limit_deg,
                                             const TableSpacing& spacing) {
  if (v.crystal.shape != CrystalShape::plate)
    return std::nullopt;
  VolumeTable t;
  t.volume_ = std::make_shared<const PreparedVolume>(v);
  // A plate off the hole's centre: the wall breaks the symmetry, the plate alone does not.
  // Its table holds the plate's own absorption, which is V wherever neither beam meets
  // the wall from any point (volume_average drops the wall there too).
  PreparedVolume tabulated = v;
  if (v.gasket.present && (v.crystal.offset_x != 0 || v.crystal.offset_y != 0)) {
    tabulated.gasket.present = false;
    t.wall_by_pair_ = true;
  }
  t.tabulated_volume_ = std::make_shared<const PreparedVolume>(tabulated);
  for (Side s : {Side::minus, Side::plus}) {
    const double limit = std::clamp(limit_deg[int(s)], 1.0, 90.0);
    double wall_from = 90;
    const std::vector<double> breaks = angle_breaks(tabulated, s, limit, wall_from);
    t.angles_[int(s)] = angle_axis(breaks, wall_from, limit, spacing);
  }
  t.azimuth_steps_ = std::max(4, int(std::ceil(180 / spacing.azimuth_step_deg - 1e-9)));
  t.tables_ = std::make_shared<std::array<Table, 2>>();
  return t;
}

std::size_t VolumeTable::nodes_per_table() const {
  return std::size_t(angles_[0].node_count) * std::size_t(angles_[1].node_count) * std::size_t(azimuth_steps_ + 1);
}

double VolumeTable::node_value(int side_in, int i, int j, int k) const {
  const int side_out = 1 - side_in;
  auto angle_of = [](const AngleAxis& a, int node) {
    for (const Stretch& s : a.stretches)
      if (node <= s.first_node + s.steps)
        return s.start + (node - s.first_node) * s.step;
    return a.limit;
  };
  const double zin = side_in == int(Side::plus) ? 1 : -1;
  const double ti = angle_of(angles_[side_in], i), to = angle_of(angles_[side_out], j);
  const double az = std::numbers::pi * k / azimuth_steps_;
  const Vec3 in{std::sin(ti), 0, zin * std::cos(ti)};
  const Vec3 out{std::sin(to) * std::cos(az), std::sin(to) * std::sin(az), -zin * std::cos(to)};
  return volume_average(*tabulated_volume_, in, out);
}

std::size_t VolumeTable::index(int side_in, int i, int j, int k) const {
  return (std::size_t(i) * angles_[1 - side_in].node_count + j) * std::size_t(azimuth_steps_ + 1) + k;
}

void VolumeTable::fill(Table& t, int side_in) const {
  const int n_in = angles_[side_in].node_count, n_out = angles_[1 - side_in].node_count, n_az = azimuth_steps_ + 1;
  // The rows of incoming angles are independent: shared out among the processors. The
  // nodes the first check made are there already.
  auto rows = [&](int first, int stride) {
    for (int i = first; i < n_in; i += stride)
      for (int j = 0; j < n_out; ++j)
        for (int k = 0; k < n_az; ++k)
          if (double& value = t.values[index(side_in, i, j, k)]; std::isnan(value))
            value = node_value(side_in, i, j, k);
  };
  const int workers = int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
  std::vector<std::thread> threads;
  int started = 1;
  try {
    for (; started < workers; ++started)
      threads.emplace_back(rows, started, workers);
  } catch (const std::system_error&) {
    // No more threads to be had: the rows of those that did not start are made here.
  }
  for (int w = started; w < workers; ++w)
    rows(w, workers);
  rows(0, workers);
  for (std::thread& th : threads)
    th.join();
}

namespace {

// The azimuth between two beams, in [0, pi].
double azimuth_between(const Vec3& a, const Vec3& b) {
  return std::atan2(std::abs(a.x * b.y - a.y * b.x), a.x * b.x + a.y * b.y);
}

}  // namespace

const VolumeTable::Table* VolumeTable::table_for(const Vec3& u_in, const Vec3& u_out) const {
  if (u_in.z == 0 || u_out.z == 0 || (u_in.z > 0) == (u_out.z > 0))
    return nullptr;
  const int side_in = u_in.z > 0 ? int(Side::plus) : int(Side::minus), side_out = 1 - side_in;
  if (axis_angle(u_in) > angles_[side_in].limit || axis_angle(u_out) > angles_[side_out].limit)
    return nullptr;
  if (wall_by_pair_ && (reaches_wall(*volume_, u_in) || reaches_wall(*volume_, u_out)))
    return nullptr;
  Table& t = (*tables_)[side_in];
  std::call_once(t.made, [&] {
    // The first points of the check, with only the nodes they need, before the rest:
    // a chamber the table cannot follow then costs a few hundred nodes, not thousands.
    t.values.assign(std::size_t(angles_[side_in].node_count) * std::size_t(angles_[side_out].node_count) *
                        std::size_t(azimuth_steps_ + 1),
                    std::numeric_limits<double>::quiet_NaN());
    t.usable = check(t, side_in, FIRST_CHECK_POINTS);
    if (t.usable) {
      fill(t, side_in);
      t.usable = check(t, side_in, CHECK_POINTS);
    }
    if (!t.usable)
      t.values = {};
  });
  return t.usable ? &t : nullptr;
}

bool VolumeTable::tabulated(const Vec3& u_in, const Vec3& u_out) const { return table_for(u_in, u_out) != nullptr; }

double VolumeTable::operator()(const Vec3& u_in, const Vec3& u_out) const {
  const Table* t = table_for(u_in, u_out);
  if (!t)
    return volume_average(*volume_, u_in, u_out);
  const int side_in = u_in.z > 0 ? int(Side::plus) : int(Side::minus);
  return interpolate(*t, stencil(side_in, axis_angle(u_in), axis_angle(u_out), azimuth_between(u_in, u_out)));
}

VolumeTable::Stencil VolumeTable::stencil(int side_in, double ti, double to, double dphi) const {
  // Four nodes of the stretch an angle lies in, and their weights.
  auto along = [](const AngleAxis& a, double theta, int& first, std::array<double, 4>& w) {
    const Stretch* s = &a.stretches.front();
    for (const Stretch& st : a.stretches)
      if (theta >= st.start)
        s = &st;
    const double x = (theta - s->start) / s->step;
    const int i = std::clamp(int(std::floor(x)) - 1, 0, s->steps - 3);
    first = s->first_node + i;
    w = lagrange(x - i);
  };
  Stencil st;
  st.side_in = side_in;
  along(angles_[side_in], ti, st.in0, st.win);
  along(angles_[1 - side_in], to, st.out0, st.wout);
  // V is even about 0 and about pi in the azimuth (a mirror through the axis and either
  // beam), so the nodes beyond are their mirror images.
  const double x = dphi / (std::numbers::pi / azimuth_steps_);
  const int i = std::clamp(int(std::floor(x)), 0, azimuth_steps_ - 1);
  st.waz = lagrange(x - (i - 1));
  for (int c = 0; c < 4; ++c) {
    const int k = i - 1 + c;
    st.az[c] = k < 0 ? -k : k > azimuth_steps_ ? 2 * azimuth_steps_ - k : k;
  }
  return st;
}

double VolumeTable::interpolate(const Table& t, const Stencil& st) const {
  double sum = 0;
  for (int a = 0; a < 4; ++a) {
    double plane = 0;
    for (int b = 0; b < 4; ++b) {
      const double* row = &t.values[index(st.side_in, st.in0 + a, st.out0 + b, 0)];
      plane += st.wout[b] *
               (st.waz[0] * row[st.az[0]] + st.waz[1] * row[st.az[1]] + st.waz[2] * row[st.az[2]] + st.waz[3] * row[st.az[3]]);
    }
    sum += st.win[a] * plane;
  }
  // A cubic may overshoot a little where V levels off at 1 or falls to 0; V, an average
  // of transmissions, lies between.
  return std::clamp(sum, 0.0, 1.0);
}

// Points spread evenly over the table's cells by a fixed sequence, the same in every
// run: the additive recurrence of M. Roberts, "The unreasonable effectiveness of
// quasirandom sequences" (2018), x_n = frac(1/2 + n alpha), alpha_j = g^-j for j = 1..3,
// g the positive root of x^4 = x + 1 (for three dimensions), 1.22074408460575947536.
bool VolumeTable::check(Table& t, int side_in, int points) const {
  constexpr double phi3 = 1.22074408460575947536;
  constexpr std::array<double, 3> alpha{1 / phi3, 1 / (phi3 * phi3), 1 / (phi3 * phi3 * phi3)};
  // Nodes not made yet are made here (only the first points find any).
  auto need = [&](int i, int j, int k) {
    if (double& value = t.values[index(side_in, i, j, k)]; std::isnan(value))
      value = node_value(side_in, i, j, k);
  };
  need(0, 0, 0);
  const double on_axis = t.values[0];
  const double zin = side_in == int(Side::plus) ? 1 : -1;
  for (int n = 1; n <= points; ++n) {
    std::array<double, 3> q{};
    for (int j = 0; j < 3; ++j)
      q[j] = std::fmod(0.5 + n * alpha[j], 1.0);
    const double ti = q[0] * angles_[side_in].limit, to = q[1] * angles_[1 - side_in].limit;
    const double az = q[2] * std::numbers::pi;
    const Stencil st = stencil(side_in, ti, to, az);
    for (int a = 0; a < 4; ++a)
      for (int b = 0; b < 4; ++b)
        for (int k : st.az)
          need(st.in0 + a, st.out0 + b, k);
    const Vec3 in{std::sin(ti), 0, zin * std::cos(ti)};
    const Vec3 out{std::sin(to) * std::cos(az), std::sin(to) * std::sin(az), -zin * std::cos(to)};
    const double direct = volume_average(*tabulated_volume_, in, out);
    const double allowed = CHECK_TOLERANCE * std::max(direct, on_axis / 20);
    if (!(std::abs(interpolate(t, st) - direct) <= allowed))
      return false;
  }
  return true;
}

}  // namespace zirel::correction
