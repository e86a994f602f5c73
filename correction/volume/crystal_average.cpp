// The transmission A = (1/V) integral of exp(-mu T) dV (International Tables for
// Crystallography Vol. C, 2006, eq. 6.3.3.1) of a plate, T = L_in + L_out, integrated
// along the axis exactly. Above a point (X, Y) of the crystal's plane a path leaves
// either by the side (the rim), at a distance r(X, Y) that does
// not depend on the height z, or by the flat face it points to, at (z_high - z) / u_z
// (up) or (z - z_low) / |u_z| (down): L(z) = min(face(z), r). The exponent is thus
// piecewise linear in z, with at most one break per beam, and on each piece the
// exponential of a linear function is integrated in closed form, as in the analytical
// method of Clark & Reid, Acta Cryst. A51 (1995) 887-897 (pieces of the crystal on which
// the path lengths are linear in position). Across the plane the column means are
// smooth but for kinks in their second derivative, where a break reaches the top or
// bottom of the column; a Gauss-Legendre product rule takes them, and two orders are
// compared to tell whether it has settled. A beam that meets the gasket's wall is taken
// the same way: its wall lies at a distance w(X, Y) that does not depend on z either, and
// it runs in the gasket for max(0, culet(z) - w), culet(z) the distance to the culet
// plane it leaves through: one more break per beam.
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

// One path above a point: in the crystal L(z) = min(face(z), side), face(z) =
// (z_high - z) / u_z going up and (z - z_low) / |u_z| going down; in the gasket (when
// the beam may meet its wall) max(0, culet(z) - wall), culet(z) the same with the
// culets' planes z = chamber and z = 0.
struct Column {
  double uz = 0, side = INF, z_low = 0, z_high = 0;
  bool gasket = false;
  double wall = INF, chamber = 0;
  static double to_plane(double z, double uz, double low, double high) {
    return uz > 0 ? (high - z) / uz : uz < 0 ? (z - low) / -uz : INF;
  }
  double face(double z) const { return to_plane(z, uz, z_low, z_high); }
  double culet(double z) const { return to_plane(z, uz, 0, chamber); }
  // Whether on a piece about `mid` (no break inside) the path leaves the crystal by
  // its side, and whether it runs in the gasket.
  bool by_side(double mid) const { return !(face(mid) < side); }
  bool in_gasket(double mid) const { return gasket && culet(mid) > wall; }
  // Its lengths on that piece, the piece's own linear formulas also at its ends.
  double crystal_length(double z, bool side_exit) const { return side_exit ? side : face(z); }
  double gasket_length(double z, bool crossing) const { return crossing ? culet(z) - wall : 0; }
  // The heights where face(z) = side and culet(z) = wall: where the path starts or
  // stops leaving by the side, and meeting the wall.
  static double level(double uz, double distance, double low, double high) {
    if (uz > 0)
      return high - uz * distance;
    if (uz < 0)
      return low - uz * distance;
    return -INF;
  }
  double side_break() const { return level(uz, side, z_low, z_high); }
  double wall_break() const { return gasket ? level(uz, wall, 0, chamber) : -INF; }
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
using Cuts = std::array<double, 32>;
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

// A circle in the crystal's own plane coordinates.
struct Circle {
  double cx = 0, cy = 0, r = 0;
};

// Where the column means are not smooth across a plate's face of radius R: where a
// slanted beam grazes the rim (at +- 90 degrees from its azimuth its side distance
// behaves like a square root), and on circles where one of a column's breaks reaches
// its top or bottom. Those are the plate's disc moved back along a beam by the
// thickness (inside it every path of the column leaves by the flat face) and, for a
// beam that may meet the wall, the hole's circle moved back by the heights from the
// column's ends to the culet.
struct FaceFeatures {
  std::array<double, 2> azimuths{};
  int azimuth_count = 0;
  std::array<Circle, 6> circles{};
  int circle_count = 0;
};

// The circle c moved back along u by the height h (u not parallel to the culets).
Circle moved(Circle c, const Vec3& u, double h) {
  c.cx -= h * u.x / std::abs(u.z);
  c.cy -= h * u.y / std::abs(u.z);
  return c;
}

// The mean over a plate's face of f(X, Y) by Gauss-Legendre rules of n points on each
// piece of polar coordinates about its centre, cut where f is not smooth so that each
// piece converges fast: the azimuth where a beam grazes the rim, where a ray from the
// centre touches one of the circles and where a circle crosses the rim; the radius
// where the ray crosses a circle.
// On the radius's last piece, [a, R], rho = a + (R - a) sin(pi s / 2), s in [0, 1],
// makes sqrt(R^2 - rho^2), and with it every side distance, smooth at the rim.
template <class F>
double over_disc(double R, int n, const FaceFeatures& features, F&& f) {
  constexpr double PI = std::numbers::pi;
  const GaussRule& g = gauss_legendre_shared(n);
  // The cuts alone, no fixed start at azimuth 0: a rule that turns with the beams and
  // the hole gives a mirrored pair of beams the same value to rounding.
  Cuts cuts{};
  int m = 0;
  for (int i = 0; i < features.azimuth_count; ++i) {
    cuts[m++] = wrapped(features.azimuths[i] + PI / 2);
    cuts[m++] = wrapped(features.azimuths[i] - PI / 2);
  }
  // Rays from the centre that touch a circle lying off it, and the azimuths where a
  // circle crosses the rim (there its crossing of the rays leaves the plate, and the
  // radial integral's piece with it).
  for (int i = 0; i < features.circle_count && m + 5 <= int(cuts.size()); ++i) {
    const Circle& c = features.circles[i];
    const double d = std::hypot(c.cx, c.cy);
    if (!(d > 0))
      continue;
    const double centre = std::atan2(c.cy, c.cx);
    if (d > c.r) {
      const double spread = std::asin(c.r / d);
      cuts[m++] = wrapped(centre + spread);
      cuts[m++] = wrapped(centre - spread);
    }
    // The rim and the circle meet where |rho e - c| = r at rho = R: the angle between e
    // and c is acos((R^2 + d^2 - r^2) / (2 R d)) (the law of cosines).
    const double cos_apart = (R * R + d * d - c.r * c.r) / (2 * R * d);
    if (cos_apart > -1 && cos_apart < 1) {
      const double apart = std::acos(cos_apart);
      cuts[m++] = wrapped(centre + apart);
      cuts[m++] = wrapped(centre - apart);
    }
  }
  sort_first(cuts, m);
  if (m == 0)
    cuts[m++] = 0;
  cuts[m++] = cuts[0] + 2 * PI;  // the last piece runs round to the first cut
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
      // Where the ray rho (c, s) crosses each circle: |rho e - m|^2 = r^2.
      Cuts rho_cuts{0};
      int r = 1;
      for (int i = 0; i < features.circle_count; ++i) {
        const Circle& k = features.circles[i];
        const double p = c * k.cx + s * k.cy, q = p * p - (k.cx * k.cx + k.cy * k.cy) + k.r * k.r;
        if (q <= 0)
          continue;
        for (double x : {p - std::sqrt(q), p + std::sqrt(q)})
          if (x > 0 && x < R && r + 1 < int(rho_cuts.size()))
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

// A beam in the crystal's own frame, and whether the gasket's wall is in its way.
struct LocalBeam {
  Vec3 u;
  bool wall = false;
};

struct Chamber {
  const PreparedVolume& v;
  std::array<LocalBeam, 2> beams;
  double hx = 0, hy = 0;  // the hole's centre in the crystal's own frame
};

// The mean over the column at (X, Y) of exp(-sum of mu L), integrated along the axis in
// closed form piece by piece.
double column_mean(const Chamber& ch, double X, double Y) {
  const PreparedVolume& v = ch.v;
  const double height = v.z_high - v.z_low;
  if (!(height > 0))
    return 1;
  std::array<Column, 2> c;
  for (int b = 0; b < 2; ++b) {
    const LocalBeam& beam = ch.beams[b];
    c[b] = Column{beam.u.z, side_path(v, X, Y, beam.u), v.z_low, v.z_high, beam.wall,
                  beam.wall ? wall_distance(v, X - ch.hx, Y - ch.hy, beam.u) : INF, v.chamber};
  }
  // The pieces' ends: the bottom, the breaks strictly within the column in order (most
  // columns have one or two), the top.
  std::array<double, 6> z{v.z_low};
  int ends = 1;
  for (double b : {c[0].side_break(), c[1].side_break(), c[0].wall_break(), c[1].wall_break()}) {
    if (!(b > v.z_low && b < v.z_high))
      continue;
    int j = ends++;
    for (; j > 1 && b < z[j - 1]; --j)
      z[j] = z[j - 1];
    z[j] = b;
  }
  z[ends++] = v.z_high;
  const double mu_c = v.crystal.mu, mu_g = v.gasket.mu;
  const bool opaque = v.gasket.opaque;
  // On each piece the exponent is linear. Its ends are evaluated with the piece's own
  // faces, decided at its middle: at a break rounded onto an end (a beam nearly in the
  // plate's plane) the other face's length would be wrong there. The exponential at a
  // piece's start is the previous piece's at its end, unless they differ by more than
  // rounding. A piece on which a path crosses an opaque wall adds nothing.
  double sum = 0, last_e = -1, last_f = 0;
  for (int k = 0; k + 1 < ends; ++k) {
    const double a = z[k], b = z[k + 1], h = b - a;
    if (!(h > 0))
      continue;
    const double mid = (a + b) / 2;
    const bool side0 = c[0].by_side(mid), side1 = c[1].by_side(mid);
    const bool wall0 = c[0].in_gasket(mid), wall1 = c[1].in_gasket(mid);
    if (opaque && (wall0 || wall1)) {
      last_e = -1;
      continue;
    }
    auto exponent = [&](double at) {
      double e = mu_c * (c[0].crystal_length(at, side0) + c[1].crystal_length(at, side1));
      if (wall0 || wall1)
        e += mu_g * (c[0].gasket_length(at, wall0) + c[1].gasket_length(at, wall1));
      return e;
    };
    const double e_a = exponent(a), e_b = exponent(b);
    const double f_a = std::abs(e_a - last_e) <= 1e-12 ? last_f * (1 - (e_a - last_e)) : std::exp(-e_a);
    sum += piece_integral(h, e_a, f_a, e_b, last_f);
    last_e = e_b;
  }
  return sum / height;
}

FaceFeatures features(const Chamber& ch) {
  const PreparedVolume& v = ch.v;
  FaceFeatures f;
  for (const LocalBeam& b : ch.beams) {
    const Vec3& u = b.u;
    const bool slanted = u.x != 0 || u.y != 0;
    if (!slanted || u.z == 0)
      continue;
    if (v.crystal.mu > 0) {
      f.azimuths[f.azimuth_count++] = std::atan2(u.y, u.x);
      f.circles[f.circle_count++] = moved({0, 0, v.half_a}, u, v.z_high - v.z_low);
    }
    if (b.wall)
      for (double end : {v.z_low, v.z_high})
        f.circles[f.circle_count++] = moved({ch.hx, ch.hy, v.hole_radius}, u, u.z > 0 ? v.chamber - end : end);
  }
  return f;
}

Chamber chamber(const PreparedVolume& v, const Vec3& u_in, const Vec3& u_out, std::array<bool, 2> wall) {
  const bool gasket = v.gasket.present && (v.gasket.opaque || v.gasket.mu > 0);
  const Vec3 hole = to_local(v, {-v.crystal.offset_x, -v.crystal.offset_y, 0});
  return {v, {LocalBeam{to_local(v, u_in), gasket && wall[0]}, LocalBeam{to_local(v, u_out), gasket && wall[1]}},
          hole.x, hole.y};
}

}  // namespace

double crystal_average_rule(const PreparedVolume& v, const Vec3& u_in, const Vec3& u_out, int n,
                            std::array<bool, 2> wall) {
  const Chamber ch = chamber(v, u_in, u_out, wall);
  return over_disc(v.half_a, std::clamp(n, 1, SHARED_RULES), features(ch),
                   [&](double X, double Y) { return column_mean(ch, X, Y); });
}

std::optional<double> crystal_average(const PreparedVolume& v, const Vec3& u_in, const Vec3& u_out,
                                      std::array<bool, 2> wall) {
  if (v.crystal.shape != CrystalShape::plate)
    return std::nullopt;
  // A beam parallel to the culets that meets the wall runs in the gasket for ever.
  if ((wall[0] && u_in.z == 0) || (wall[1] && u_out.z == 0))
    return std::nullopt;
  for (const RulePair& rules : wall[0] || wall[1] ? WALL_RULES : CRYSTAL_RULES) {
    const double coarse = crystal_average_rule(v, u_in, u_out, rules.coarse, wall);
    const double fine = crystal_average_rule(v, u_in, u_out, rules.fine, wall);
    // Both 0 may only mean that neither rule has a point in a small lit patch: the
    // pieces' integration finds it (a wholly blocked beam was caught before).
    if (fine > 0 && std::abs(fine - coarse) <= CRYSTAL_AGREEMENT * fine)
      return fine;
  }
  return std::nullopt;
}

}  // namespace zirel::correction
