#include "tests/correction/rotation_simulation.h"

#include <charconv>
#include <cmath>
#include <numbers>

namespace zirel::simulation {

namespace {

using planning::Mat3d;
using planning::Vec3d;

Mat3d rotation(const Vec3d& axis_unit, double angle) {
  // Rodrigues' rotation formula, R = I cos t + (1 - cos t) n n^T + sin t [n]x.
  const double c = std::cos(angle), s = std::sin(angle), t = 1 - c;
  const auto& n = axis_unit;
  Mat3d r;
  r.row[0] = {c + t * n[0] * n[0], t * n[0] * n[1] - s * n[2], t * n[0] * n[2] + s * n[1]};
  r.row[1] = {t * n[1] * n[0] + s * n[2], c + t * n[1] * n[1], t * n[1] * n[2] - s * n[0]};
  r.row[2] = {t * n[2] * n[0] - s * n[1], t * n[2] * n[1] + s * n[0], c + t * n[2] * n[2]};
  return r;
}

Mat3d product(const Mat3d& a, const Mat3d& b) {
  Mat3d p;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      p.row[i][j] = a.row[i][0] * b.row[0][j] + a.row[i][1] * b.row[1][j] + a.row[i][2] * b.row[2][j];
  return p;
}

Mat3d transposed(const Mat3d& a) {
  Mat3d t;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      t.row[i][j] = a.row[j][i];
  return t;
}

// The rotation taking unit vector `from` onto unit vector `to`.
Mat3d aligning(const Vec3d& from, const Vec3d& to) {
  const Vec3d axis = planning::cross(from, to);
  const double s = planning::norm(axis), c = planning::dot(from, to);
  if (s < 1e-12)
    return c > 0 ? rotation({0, 0, 1}, 0) : rotation(std::fabs(from[2]) < 0.9 ? planning::normalized(planning::cross(from, {0, 0, 1})) : Vec3d{1, 0, 0}, std::numbers::pi);
  return rotation(planning::scaled(axis, 1 / s), std::atan2(s, c));
}

void put(std::string& line, double v, int width, int decimals) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  std::string text(buf, r.ptr);
  if (text.size() > 2 && text.compare(0, 2, "0.") == 0 && int(text.size()) > width)
    text.erase(0, 1);
  if (text.size() > 3 && text.compare(0, 3, "-0.") == 0 && int(text.size()) > width)
    text.erase(1, 1);
  line += std::string(width > int(text.size()) ? width - text.size() : 0, ' ') + text;
}

}  // namespace

void simulate(const Experiment& e, const std::function<void(const Record&)>& emit) {
  const planning::CartesianFrame frame = planning::make_frame(e.cell);
  const Vec3d s0{1, 0, 0};             // the incident beam travels along +x
  const Vec3d towards_source{-1, 0, 0};  // the cell's +z axis at omega 0
  const Vec3d spindle{0, 0, 1};
  const Vec3d mount = planning::normalized(frame.direct_vector(e.mount_uvw));
  const Mat3d u = product(rotation(towards_source, e.spin_deg * std::numbers::pi / 180), aligning(mount, towards_source));
  std::array<Vec3d, 3> a_star_unit;
  for (int i = 0; i < 3; ++i) {
    Vec3d axis{};
    axis[i] = 1;
    a_star_unit[i] = planning::normalized(frame.reciprocal_vector(axis));
  }
  const double range = e.omega_half_range_deg * std::numbers::pi / 180;
  const int n = e.max_index;
  for (int h = -n; h <= n; ++h)
    for (int k = -n; k <= n; ++k)
      for (int l = -n; l <= n; ++l) {
        if (h == 0 && k == 0 && l == 0)
          continue;
        const Vec3d g0 = u * frame.reciprocal_vector({double(h), double(k), double(l)});
        const double g2 = planning::dot(g0, g0);
        // Laue condition |s0/lambda + g| = 1/lambda: s0 . g(omega) = -lambda |g|^2 / 2, with
        // g(omega) = g_par + cos(omega) g_perp + sin(omega) (e x g0).
        const Vec3d g_par = planning::scaled(spindle, planning::dot(g0, spindle));
        const Vec3d g_perp{g0[0] - g_par[0], g0[1] - g_par[1], g0[2] - g_par[2]};
        const double A = planning::dot(s0, g_perp), B = planning::dot(s0, planning::cross(spindle, g0));
        const double C = planning::dot(s0, g_par) + e.wavelength * g2 / 2;
        const double R = std::hypot(A, B);
        if (!(R > 0) || std::fabs(C) > R)
          continue;
        const double phase = std::atan2(B, A), spread = std::acos(-C / R);
        for (double omega : {phase - spread, phase + spread}) {
          omega = std::remainder(omega, 2 * std::numbers::pi);
          if (std::fabs(omega) > range)
            continue;
          const Mat3d turn = rotation(spindle, omega);
          const Vec3d g = turn * g0;
          const Vec3d out = planning::normalized({s0[0] + e.wavelength * g[0], s0[1] + e.wavelength * g[1],
                                              s0[2] + e.wavelength * g[2]});
          // Lab to crystal: undo the scan's turn, then the mount.
          const Mat3d back = transposed(product(turn, u));
          const Vec3d in_c = back * towards_source, out_c = back * out;
          Record r{h, k, l, omega * 180 / std::numbers::pi, {}};
          for (int i = 0; i < 3; ++i) {
            r.cosines[2 * i] = planning::dot(in_c, a_star_unit[i]);
            r.cosines[2 * i + 1] = planning::dot(out_c, a_star_unit[i]);
          }
          emit(r);
        }
      }
}

std::string shelx_line(const Record& r, double intensity, double sigma, const std::string& tail) {
  std::string line;
  put(line, r.h, 4, 0);
  put(line, r.k, 4, 0);
  put(line, r.l, 4, 0);
  put(line, intensity, 8, 2);
  put(line, sigma, 8, 2);
  put(line, 1, 4, 0);
  for (double c : r.cosines)
    put(line, c, 8, 5);
  return line + tail;
}

}  // namespace zirel::simulation
