// The numerical (Gaussian grid) absorption correction: the transmission
// A = (1/V) integral of exp(-mu T) dV (International Tables for Crystallography Vol. C,
// 2006, eq. 6.3.3.1) averaged over the crystal by a product Gauss-Legendre rule, chords
// inside lines inside slices (Busing & Levy, Acta Cryst. 10 (1957) 180-182; ibid.
// section 6.3.3.4, eqs. 6.3.3.33-6.3.3.38), here with the gasket's wall as one more
// absorber and the rule applied on pieces cut at the edges of the wall's shadow.
#include "correction/volume/volume_average.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <optional>

#include "correction/volume/crystal_average.h"
#include "correction/volume/gauss_legendre.h"
#include "correction/volume/paths.h"
#include "correction/volume/shadow_angles.h"

namespace zirel::correction {
namespace {

// A circle in the crystal's own plane coordinates.
struct Circle {
  double cx, cy, r;
};

// Height left to the culet a beam leaves through.
double to_culet(double z, double uz, double low, double high) { return uz > 0 ? high - z : z - low; }

struct Slice {
  std::array<Circle, 4> circles{};
  int circle_count = 0;
  // Box: chord positions where the exit face changes are linear in the line's Y.
  std::array<double, 4> s_z{};  // distance to the top or bottom face, per beam
};

class Integrator {
public:
  // reach[b]: whether beam b can meet the gasket's wall at all; a beam that cannot
  // adds no cuts (its moved hole covers the crystal, so they would only split smooth
  // pieces further).
  Integrator(const PreparedVolume& v, const Vec3& in, const Vec3& out, const VolumeGrid& g,
             std::array<bool, 2> reach = {true, true}, bool closed_form = false)
      : v_(v), beams_{in, out}, reach_(reach), closed_form_(closed_form), chord_(pick(g.along_chord, own_[0])),
        across_(pick(g.across, own_[1])), axis_(pick(g.along_axis, own_[2])) {
    // Beams in the crystal's own frame (edge a along X).
    for (int b = 0; b < 2; ++b)
      local_[b] = {v.cos_angle * beams_[b].x + v.sin_angle * beams_[b].y,
                   -v.sin_angle * beams_[b].x + v.cos_angle * beams_[b].y, beams_[b].z};
  }

  double run() {
    z_cuts();
    double sum = 0, weight = 0;
    for (std::size_t piece = 0; piece + 1 < zcuts_.size(); ++piece) {
      const double mid = (zcuts_[piece] + zcuts_[piece + 1]) / 2, half = (zcuts_[piece + 1] - zcuts_[piece]) / 2;
      for (std::size_t k = 0; k < axis_.nodes.size(); ++k) {
        // The same substitution as across: where two circles touch, the slice's
        // integral changes like a power 3/2 of the distance.
        const double t = axis_.nodes[k];
        const double z = mid + half * std::sin(std::numbers::pi * t / 2);
        const double w = axis_.weights[k] * half * std::numbers::pi / 2 * std::cos(std::numbers::pi * t / 2);
        double area = 0;
        sum += w * slice(z, area);
        weight += w * area;
      }
    }
    return weight > 0 ? sum / weight : 1;
  }

private:
  // The shared rule, or one of the Integrator's own for an unusually fine grid.
  static const GaussRule& pick(int n, GaussRule& own) {
    if (n >= 1 && n <= SHARED_RULES)
      return gauss_legendre_shared(n);
    own = gauss_legendre(n);
    return own;
  }

  // A circle of the slices whose centre moves linearly with z: c0 + z d.
  struct Moving {
    double c0x, c0y, dx, dy, r;
  };

  // Heights where two of the slices' circles touch (or a circle touches a box's edge
  // or passes its corner): there the slice's integral is not smooth, so the rule
  // along the axis is cut there.
  void z_cuts() {
    std::vector<Moving> m;
    if (v_.crystal.shape == CrystalShape::plate)
      m.push_back({0, 0, 0, 0, v_.half_a});
    const double gx = -v_.crystal.offset_x, gy = -v_.crystal.offset_y;
    const double hx = v_.cos_angle * gx + v_.sin_angle * gy, hy = -v_.sin_angle * gx + v_.cos_angle * gy;
    for (int b = 0; b < 2; ++b) {
      const Vec3& u = local_[b];
      if (u.z == 0 || (u.x == 0 && u.y == 0))
        continue;
      const double sx = u.x / std::abs(u.z), sy = u.y / std::abs(u.z), dir = u.z > 0 ? 1 : -1;
      if (v_.gasket.present && reach_[b]) {
        const double top = u.z > 0 ? v_.chamber : 0;
        m.push_back({hx - top * sx, hy - top * sy, dir * sx, dir * sy, v_.hole_radius});
      }
      if (v_.crystal.shape == CrystalShape::plate && v_.crystal.mu > 0) {
        const double face = u.z > 0 ? v_.z_high : v_.z_low;
        m.push_back({-face * sx, -face * sy, dir * sx, dir * sy, v_.half_a});
      }
    }
    zcuts_ = {v_.z_low, v_.z_high};
    auto add = [&](double z) {
      if (std::isfinite(z) && z > v_.z_low && z < v_.z_high)
        zcuts_.push_back(z);
    };
    // Roots of a z^2 + 2 b z + c = 0.
    auto roots = [&](double a, double b, double c) {
      if (a == 0) {
        if (b != 0)
          add(-c / (2 * b));
        return;
      }
      const double d = b * b - a * c;
      if (d < 0)
        return;
      add((-b - std::sqrt(d)) / a);
      add((-b + std::sqrt(d)) / a);
    };
    for (std::size_t i = 0; i < m.size(); ++i) {
      for (std::size_t j = i + 1; j < m.size(); ++j) {
        const double ex = m[i].c0x - m[j].c0x, ey = m[i].c0y - m[j].c0y;
        const double fx = m[i].dx - m[j].dx, fy = m[i].dy - m[j].dy;
        for (double rho : {m[i].r + m[j].r, m[i].r - m[j].r})
          roots(fx * fx + fy * fy, ex * fx + ey * fy, ex * ex + ey * ey - rho * rho);
      }
      if (v_.crystal.shape == CrystalShape::box) {
        const Moving& c = m[i];
        for (double e : {-v_.half_a, v_.half_a})
          for (double r : {-c.r, c.r})
            if (c.dx != 0)
              add((e - r - c.c0x) / c.dx);
        for (double e : {-v_.half_b, v_.half_b})
          for (double r : {-c.r, c.r})
            if (c.dy != 0)
              add((e - r - c.c0y) / c.dy);
        for (double X : {-v_.half_a, v_.half_a})
          for (double Y : {-v_.half_b, v_.half_b}) {
            const double ex = c.c0x - X, ey = c.c0y - Y;
            roots(c.dx * c.dx + c.dy * c.dy, ex * c.dx + ey * c.dy, ex * ex + ey * ey - c.r * c.r);
          }
      }
    }
    std::sort(zcuts_.begin(), zcuts_.end());
  }

  // A point of the crystal's plane coordinates (X, Y) at height z, in the DAC frame.
  Vec3 global(double X, double Y, double z) const {
    return {v_.crystal.offset_x + v_.cos_angle * X - v_.sin_angle * Y,
            v_.crystal.offset_y + v_.sin_angle * X + v_.cos_angle * Y, z};
  }

  double integrand(double X, double Y, double z) const {
    const Vec3 p = global(X, Y, z);
    // One exponential for both paths; exp(-inf) = 0 for a path an opaque wall blocks.
    return std::exp(-path_exponent(v_, p, beams_[0], reach_[0]) - path_exponent(v_, p, beams_[1], reach_[1]));
  }

  // The circles whose crossings cut a chord at height z: a path from (X, Y) reaches
  // its culet inside the hole exactly when the point lies in the hole's disc moved
  // back along the beam by h tan(theta), h the height to that culet; a plate's path
  // leaves by its flat face exactly when the point lies in the plate's disc moved the
  // same way by the height to that face.
  void circles_at(double z, Slice& s) const {
    s.circle_count = 0;
    for (int b = 0; b < 2; ++b) {
      const Vec3& u = local_[b];
      if (u.z == 0 || (u.x == 0 && u.y == 0))
        continue;
      const double sx = u.x / std::abs(u.z), sy = u.y / std::abs(u.z);
      if (v_.gasket.present && reach_[b]) {
        const double h = to_culet(z, u.z, 0, v_.chamber);
        // The hole's centre in the crystal's frame.
        const double gx = -v_.crystal.offset_x, gy = -v_.crystal.offset_y;
        const double cx = v_.cos_angle * gx + v_.sin_angle * gy, cy = -v_.sin_angle * gx + v_.cos_angle * gy;
        s.circles[s.circle_count++] = {cx - h * sx, cy - h * sy, v_.hole_radius};
      }
      const double hc = to_culet(z, u.z, v_.z_low, v_.z_high);
      s.s_z[b] = hc / std::abs(u.z);
      if (v_.crystal.shape == CrystalShape::plate && v_.crystal.mu > 0)
        s.circles[s.circle_count++] = {-hc * sx, -hc * sy, v_.half_a};
    }
  }

  // Y where the slice's integrand over X has a kink or a jump.
  void cuts_across(const Slice& s, double lo, double hi, std::vector<double>& cuts) const {
    cuts = {lo, hi};
    for (int i = 0; i < s.circle_count; ++i)
      for (double y : {s.circles[i].cy - s.circles[i].r, s.circles[i].cy + s.circles[i].r})
        if (y > lo && y < hi)
          cuts.push_back(y);
    // Where two circles cross, their crossings of a chord change order.
    std::array<Circle, 5> all{};
    int n = 0;
    for (int i = 0; i < s.circle_count; ++i)
      all[n++] = s.circles[i];
    if (v_.crystal.shape == CrystalShape::plate)
      all[n++] = {0, 0, v_.half_a};
    for (int i = 0; i < n; ++i) {
      for (int j = i + 1; j < n; ++j) {
        // The two points where circles i and j meet (Bourke's construction: the
        // chord through them lies at distance (d^2 + r_i^2 - r_j^2) / 2d from i).
        const double dx = all[j].cx - all[i].cx, dy = all[j].cy - all[i].cy, d = std::hypot(dx, dy);
        if (d == 0 || d > all[i].r + all[j].r || d < std::abs(all[i].r - all[j].r))
          continue;
        const double a = (d * d + all[i].r * all[i].r - all[j].r * all[j].r) / (2 * d);
        const double h = std::sqrt(std::max(0.0, all[i].r * all[i].r - a * a));
        const double my = all[i].cy + a * dy / d;
        for (double y : {my + h * dx / d, my - h * dx / d})
          if (y > lo && y < hi)
            cuts.push_back(y);
      }
      if (v_.crystal.shape == CrystalShape::box)
        for (double X : {-v_.half_a, v_.half_a}) {
          const double q = all[i].r * all[i].r - (X - all[i].cx) * (X - all[i].cx);
          if (q > 0)
            for (double y : {all[i].cy - std::sqrt(q), all[i].cy + std::sqrt(q)})
              if (y > lo && y < hi)
                cuts.push_back(y);
        }
    }
    if (v_.crystal.shape == CrystalShape::box && v_.crystal.mu > 0)
      for (int b = 0; b < 2; ++b)
        for (double side : {-v_.half_b, v_.half_b}) {
          const double y = side - local_[b].y * s.s_z[b];  // a Y-face exit meets the flat face's
          if (y > lo && y < hi)
            cuts.push_back(y);
        }
    std::sort(cuts.begin(), cuts.end());
  }

  void cuts_along(const Slice& s, double Y, double lo, double hi, std::vector<double>& cuts) const {
    cuts = {lo, hi};
    for (int i = 0; i < s.circle_count; ++i) {
      const Circle& c = s.circles[i];
      const double d = c.r * c.r - (Y - c.cy) * (Y - c.cy);
      if (d <= 0)
        continue;
      for (double x : {c.cx - std::sqrt(d), c.cx + std::sqrt(d)})
        if (x > lo && x < hi)
          cuts.push_back(x);
    }
    if (v_.crystal.shape == CrystalShape::box && v_.crystal.mu > 0)
      for (int b = 0; b < 2; ++b) {
        const Vec3& u = local_[b];
        const double sy = u.y > 0 ? (v_.half_b - Y) / u.y : u.y < 0 ? (-v_.half_b - Y) / u.y : -1;
        for (double sface : {s.s_z[b], sy})
          if (sface >= 0)
            for (double side : {-v_.half_a, v_.half_a}) {
              const double x = side - u.x * sface;
              if (x > lo && x < hi)
                cuts.push_back(x);
            }
      }
    std::sort(cuts.begin(), cuts.end());
  }

  // Whether on a chord's piece (between cuts, so every path leaves by the same face
  // and meets the wall or not throughout) the integrand is the exponential of a linear
  // function of X: each path's crystal length is linear (a plane is left) and its
  // gasket factor constant (no wall in its way, or an opaque one).
  bool exponential_on_piece(const Vec3& p) const {
    for (int b = 0; b < 2; ++b) {
      if (v_.gasket.present && reach_[b] && !v_.gasket.opaque && gasket_path(v_, p, beams_[b]) > 0)
        return false;
      if (v_.crystal.mu > 0 && !crystal_path_is_linear(v_, p, beams_[b]))
        return false;
    }
    return true;
  }

  // The integral of the integrand along X over [a, b] at (Y, z). Where it is
  // f(X) = f_m exp(beta (X - m)) it is integrated in closed form: with the
  // antiderivative exp(beta x) / beta,
  //   integral = f_m (exp(beta h) - exp(-beta h)) / beta = f_m 2h sinh(beta h) / (beta h),
  // m, h the piece's centre and half length, and sinh(x) / x = 1 + x^2 / 6 + O(x^4) (its
  // Taylor series) for small x; f_m and beta are fitted from two points (an exponential
  // of a linear function is fixed by two values). Elsewhere the Gauss-Legendre rule.
  double piece_along(double a, double b, double Y, double z) const {
    const double xm = (a + b) / 2, xh = (b - a) / 2;
    if (xh <= 0)
      return 0;
    if (closed_form_ && exponential_on_piece(global(xm, Y, z))) {
      const double d = xh / 2;
      const double f1 = integrand(xm - d, Y, z), f2 = integrand(xm + d, Y, z);
      if (f1 == 0 && f2 == 0)
        return 0;
      if (f1 > 0 && f2 > 0) {
        const double bh = std::log(f2 / f1) / (2 * d) * xh;
        const double sinhc = std::abs(bh) < 1e-4 ? 1 + bh * bh / 6 : std::sinh(bh) / bh;
        return std::sqrt(f1) * std::sqrt(f2) * 2 * xh * sinhc;
      }
    }
    double line = 0;
    for (std::size_t i = 0; i < chord_.nodes.size(); ++i)
      line += chord_.weights[i] * xh * integrand(xm + xh * chord_.nodes[i], Y, z);
    return line;
  }

  // The integral over the slice at height z; `area` gets the rule's own area, so
  // that V is exactly 1 when every transmission is 1.
  double slice(double z, double& area) {
    Slice s;
    circles_at(z, s);
    const bool plate = v_.crystal.shape == CrystalShape::plate;
    const double ylim = plate ? v_.half_a : v_.half_b;
    cuts_across(s, -ylim, ylim, ycuts_);
    double sum = 0;
    area = 0;
    for (std::size_t piece = 0; piece + 1 < ycuts_.size(); ++piece) {
      const double a = ycuts_[piece], b = ycuts_[piece + 1];
      const double m = (a + b) / 2, h = (b - a) / 2;
      for (std::size_t j = 0; j < across_.nodes.size(); ++j) {
        // Y = m + h sin(pi t / 2): a chord's length and each crossing behave like a
        // square root near a piece's ends, which this substitution makes smooth.
        const double t = across_.nodes[j];
        const double Y = m + h * std::sin(std::numbers::pi * t / 2);
        const double wy = across_.weights[j] * h * std::numbers::pi / 2 * std::cos(std::numbers::pi * t / 2);
        const double xlim = plate ? std::sqrt(std::max(0.0, v_.half_a * v_.half_a - Y * Y)) : v_.half_a;
        cuts_along(s, Y, -xlim, xlim, xcuts_);
        double line = 0;
        for (std::size_t q = 0; q + 1 < xcuts_.size(); ++q)
          line += piece_along(xcuts_[q], xcuts_[q + 1], Y, z);
        sum += wy * line;
        area += wy * 2 * xlim;
      }
    }
    return sum;
  }

  const PreparedVolume& v_;
  std::array<GaussRule, 3> own_;  // before the references below, which may point into it
  std::array<Vec3, 2> beams_;
  std::array<Vec3, 2> local_;
  std::array<bool, 2> reach_;
  bool closed_form_;  // along X in closed form where the integrand allows it
  const GaussRule &chord_, &across_, &axis_;
  std::vector<double> zcuts_, ycuts_, xcuts_;
};

}  // namespace

double volume_average_direct(const PreparedVolume& v, const Vec3& u_in, const Vec3& u_out,
                             const VolumeGrid& grid) {
  if (!v.gasket.present && v.crystal.mu == 0)
    return 1;
  if (v.crystal.shape == CrystalShape::none)
    return 1;
  if (v.crystal.shape == CrystalShape::point) {
    const Vec3 p{v.crystal.offset_x, v.crystal.offset_y, v.z_low};
    return path_transmission(v, p, u_in) * path_transmission(v, p, u_out);
  }
  return Integrator(v, u_in, u_out, grid).run();
}

// The same integral with exact short cuts first. V is an average of products of
// transmissions, each in [0, 1], so one beam that an opaque wall blocks from every
// point makes it 0; a beam that meets the wall from no point has a gasket transmission
// of exactly 1 everywhere, so the wall drops out of its factor (and of V when neither
// beam meets it, leaving 1 or the crystal's own absorption alone).
double volume_average(const PreparedVolume& v, const Vec3& u_in, const Vec3& u_out, const VolumeGrid& grid) {
  if (!v.gasket.present && v.crystal.mu > 0)
    if (const std::optional<double> a = crystal_average(v, u_in, u_out))
      return *a;
  if (!v.gasket.present || v.crystal.shape == CrystalShape::none || v.crystal.shape == CrystalShape::point)
    return volume_average_direct(v, u_in, u_out, grid);
  if (v.gasket.opaque && (fully_shadowed(v, u_in) || fully_shadowed(v, u_out)))
    return 0;
  const std::array<bool, 2> reach{reaches_wall(v, u_in), reaches_wall(v, u_out)};
  if (!reach[0] && !reach[1]) {
    if (v.crystal.mu == 0)
      return 1;
    // The crystal's own absorption alone, integrated along the axis in closed form.
    if (const std::optional<double> a = crystal_average(v, u_in, u_out))
      return *a;
    PreparedVolume bare = v;
    bare.gasket.present = false;
    return Integrator(bare, u_in, u_out, grid, {false, false}, true).run();
  }
  if (const std::optional<double> a = crystal_average(v, u_in, u_out, reach))
    return *a;
  return Integrator(v, u_in, u_out, grid, reach, true).run();
}

}  // namespace zirel::correction
