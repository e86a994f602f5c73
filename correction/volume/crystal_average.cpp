// The transmission A = (1/V) integral of exp(-mu T) dV (International Tables for
// Crystallography Vol. C, 2006, eq. 6.3.3.1) of a plate (or a box), T = L_in + L_out,
// integrated along the axis exactly. Above a point (X, Y) of the crystal's plane a
// path leaves either by the side (rim or side face), at a distance r(X, Y) that does
// not depend on the height z, or by the flat face it points to, at (z_high - z) / u_z
// (up) or (z - z_low) / |u_z| (down): L(z) = min(face(z), r). The exponent is thus
// piecewise linear in z, with at most one break per beam, and on each piece the
// exponential of a linear function is integrated in closed form, as in the analytical
// method of Clark & Reid, Acta Cryst. A51 (1995) 887-897 (pieces of the crystal on which
// the path lengths are linear in position). Across the plane the column means are
// smooth but for kinks in their second derivative, where a break reaches the top or
// bottom of the column; a Gauss-Legendre product rule takes them, and two orders are
// compared to tell whether it has settled.
#include "correction/volume/crystal_average.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>

#include "correction/volume/gauss_legendre.h"
#include "correction/volume/paths.h"

namespace zirel::correction {
namespace {

constexpr double INF = std::numeric_limits<double>::infinity();

// One path above a point: L(z) = min(face(z), side), face(z) = (top - z) / u_z going up
// and (z - bottom) / |u_z| going down.
struct Column {
  double uz = 0, side = INF, z_low = 0, z_high = 0;
  double face(double z) const { return uz > 0 ? (z_high - z) / uz : uz < 0 ? (z - z_low) / -uz : INF; }
  // Whether on a piece about `mid` (no break inside) the path leaves by the side.
  bool by_side(double mid) const { return !(face(mid) < side); }
  // Its length on that piece, the piece's own linear formula also at its ends.
  double length(double z, bool side_exit) const { return side_exit ? side : face(z); }
  // The height where face(z) = side, where the path starts or stops leaving by the side.
  double breaks_at() const {
    if (uz > 0)
      return z_high - uz * side;
    if (uz < 0)
      return z_low - uz * side;
    return -INF;
  }
};

// The integral over a piece of length h of exp(-E), E running linearly from e_a to e_b
// (both >= 0) and f_a = exp(-e_a): h (f_a - exp(-e_b)) / (e_b - e_a), the antiderivative
// of an exponential; near e_a = e_b, where the quotient loses digits, h f_a times the
// Taylor series of (1 - exp(-d)) / d = 1 - d/2 + d^2/6 - d^3/24, d = e_b - e_a. Both
// exponentials are at most 1, so a strong absorber gives 0, never inf times 0.
// f_b gets exp(-e_b) for the next piece.
double piece_integral(double h, double e_a, double f_a, double e_b, double& f_b) {
  const double d = e_b - e_a;
  if (std::abs(d) < 1e-4) {
    f_b = f_a * (1 - d + d * d / 2 - d * d * d / 6 + d * d * d * d / 24);
    return h * f_a * (1 - d / 2 + d * d / 6 - d * d * d / 24);
  }
  f_b = std::exp(-e_b);
  return h * (f_a - f_b) / d;
}

// A handful of cuts in order, by insertion (std::sort's larger-array path draws a false
// out-of-bounds warning from GCC on these fixed arrays).
using Cuts = std::array<double, 10>;
void sort_first(Cuts& a, int count) {
  for (int i = 1; i < count; ++i)
    for (int j = i; j > 0 && a[j] < a[j - 1]; --j)
      std::swap(a[j], a[j - 1]);
}

// Angles brought into [0, 2 pi).
double wrapped(double a) {
  const double w = std::fmod(a, 2 * std::numbers::pi);
  return w < 0 ? w + 2 * std::numbers::pi : w;
}

// What shapes a beam's column means across a plate's face of radius R: its azimuth
// (where it grazes the rim, at +- 90 degrees from it, its side distance behaves like a
// square root) and the plate's disc moved back along it by the thickness, c + R, inside
// which every path of the column leaves by the flat face (on its circle the column mean
// has a kink in its second derivative).
struct BeamOnFace {
  bool slanted = false;  // not along the axis: it has an azimuth and reaches the rim
  double azimuth = 0;
  double cx = 0, cy = 0;
};

BeamOnFace on_face(const Vec3& u, double thickness) {
  BeamOnFace b;
  if (u.x == 0 && u.y == 0)
    return b;
  b.slanted = true;
  b.azimuth = std::atan2(u.y, u.x);
  if (u.z != 0) {
    b.cx = -thickness * u.x / std::abs(u.z);
    b.cy = -thickness * u.y / std::abs(u.z);
  } else {
    b.cx = b.cy = std::numeric_limits<double>::infinity();  // no path leaves by a face
  }
  return b;
}

// The mean over a plate's face of f(X, Y) by Gauss-Legendre rules of n points on each
// piece of polar coordinates about its centre, cut where f is not smooth so that each
// piece converges fast: the azimuth where a beam grazes the rim and where a ray from the
// centre touches a moved disc's circle; the radius where the ray crosses that circle.
// On the radius's last piece, [a, R], rho = a + (R - a) sin(pi s / 2), s in [0, 1],
// makes sqrt(R^2 - rho^2), and with it every side distance, smooth at the rim.
template <class F>
double over_disc(double R, int n, const std::array<BeamOnFace, 2>& beams, F&& f) {
  constexpr double PI = std::numbers::pi;
  const GaussRule& g = gauss_legendre_shared(n);
  Cuts cuts{0, 2 * PI};
  int m = 2;
  for (const BeamOnFace& b : beams) {
    if (!b.slanted)
      continue;
    cuts[m++] = wrapped(b.azimuth + PI / 2);
    cuts[m++] = wrapped(b.azimuth - PI / 2);
    const double d = std::hypot(b.cx, b.cy);
    if (std::isfinite(d) && d > R) {  // rays from the centre touch the moved circle
      const double centre = std::atan2(b.cy, b.cx), spread = std::asin(R / d);
      cuts[m++] = wrapped(centre + spread);
      cuts[m++] = wrapped(centre - spread);
    }
  }
  sort_first(cuts, m);
  double sum = 0, area = 0;
  auto radial_piece = [&](double a, double b, bool at_rim, double c, double s, double w_psi) {
    const double half = (b - a) / 2, mid = (a + b) / 2;
    for (int i = 0; i < n; ++i) {
      double rho, w;
      if (at_rim) {
        const double t = (g.nodes[i] + 1) / 2;
        rho = a + (b - a) * std::sin(PI * t / 2);
        // d(rho) = (b - a) (pi / 2) cos(pi t / 2) dt, dt = d(node) / 2.
        w = g.weights[i] / 2 * (b - a) * PI / 2 * std::cos(PI * t / 2);
      } else {
        rho = mid + half * g.nodes[i];
        w = g.weights[i] * half;
      }
      w *= w_psi * rho;  // the area element rho d(rho) d(psi)
      sum += w * f(rho * c, rho * s);
      area += w;
    }
  };
  for (int k = 0; k + 1 < m; ++k) {
    const double mid = (cuts[k] + cuts[k + 1]) / 2, half = (cuts[k + 1] - cuts[k]) / 2;
    if (!(half > 0))
      continue;
    for (int j = 0; j < n; ++j) {
      const double psi = mid + half * g.nodes[j], c = std::cos(psi), s = std::sin(psi);
      // Where the ray rho (c, s) crosses each moved circle: |rho e - m|^2 = R^2.
      Cuts rho_cuts{0};  // 0, up to two crossings per beam, R
      int r = 1;
      for (const BeamOnFace& b : beams) {
        if (!b.slanted || !std::isfinite(b.cx))
          continue;
        const double p = c * b.cx + s * b.cy, q = p * p - (b.cx * b.cx + b.cy * b.cy) + R * R;
        if (q <= 0)
          continue;
        for (double x : {p - std::sqrt(q), p + std::sqrt(q)})
          if (x > 0 && x < R)
            rho_cuts[r++] = x;
      }
      sort_first(rho_cuts, r);
      rho_cuts[r] = R;
      for (int i = 0; i < r; ++i)
        radial_piece(rho_cuts[i], rho_cuts[i + 1], i + 1 == r, c, s, g.weights[j] * half);
    }
  }
  // The rule's own area, so that the mean is exactly 1 when every value is.
  return area > 0 ? sum / area : 1;
}

Vec3 to_local(const PreparedVolume& v, const Vec3& u) {
  return {v.cos_angle * u.x + v.sin_angle * u.y, -v.sin_angle * u.x + v.cos_angle * u.y, u.z};
}

}  // namespace

double column_mean(const PreparedVolume& v, double X, double Y, const Vec3& in, const Vec3& out) {
  const double height = v.z_high - v.z_low;
  if (!(height > 0))
    return 1;
  const std::array<Column, 2> c{Column{in.z, side_path(v, X, Y, in), v.z_low, v.z_high},
                                Column{out.z, side_path(v, X, Y, out), v.z_low, v.z_high}};
  // The pieces' ends: the bottom, the two breaks within the column, the top.
  std::array<double, 4> z{v.z_low, std::clamp(c[0].breaks_at(), v.z_low, v.z_high),
                          std::clamp(c[1].breaks_at(), v.z_low, v.z_high), v.z_high};
  if (z[1] > z[2])
    std::swap(z[1], z[2]);
  const double mu = v.crystal.mu;
  // On each piece the exponent is linear. Its ends are evaluated with the piece's own
  // exit faces, decided at its middle: at a break rounded onto an end (a beam nearly in
  // the plate's plane) the other face's length would be wrong there. The exponential
  // at a piece's start is the previous piece's at its end, unless they differ by more
  // than rounding.
  double sum = 0, last_e = -1, last_f = 0;
  for (int k = 0; k < 3; ++k) {
    const double a = z[k], b = z[k + 1], h = b - a;
    if (!(h > 0))
      continue;
    const double mid = (a + b) / 2;
    const bool side0 = c[0].by_side(mid), side1 = c[1].by_side(mid);
    const double e_a = mu * (c[0].length(a, side0) + c[1].length(a, side1));
    const double e_b = mu * (c[0].length(b, side0) + c[1].length(b, side1));
    const double f_a = std::abs(e_a - last_e) <= 1e-12 ? last_f * (1 - (e_a - last_e)) : std::exp(-e_a);
    sum += piece_integral(h, e_a, f_a, e_b, last_f);
    last_e = e_b;
  }
  return sum / height;
}

double crystal_average_rule(const PreparedVolume& v, const Vec3& u_in, const Vec3& u_out, int n) {
  const Vec3 in = to_local(v, u_in), out = to_local(v, u_out);
  const double t = v.z_high - v.z_low;
  return over_disc(v.half_a, std::clamp(n, 1, SHARED_RULES), {on_face(in, t), on_face(out, t)},
                   [&](double X, double Y) { return column_mean(v, X, Y, in, out); });
}

std::optional<double> crystal_average(const PreparedVolume& v, const Vec3& u_in, const Vec3& u_out) {
  if (v.crystal.shape != CrystalShape::plate)
    return std::nullopt;
  for (const RulePair& rules : CRYSTAL_RULES) {
    const double coarse = crystal_average_rule(v, u_in, u_out, rules.coarse);
    const double fine = crystal_average_rule(v, u_in, u_out, rules.fine);
    if (std::abs(fine - coarse) <= CRYSTAL_AGREEMENT * fine)
      return fine;
  }
  return std::nullopt;
}

}  // namespace zirel::correction
