// A path from p (its height h above the culet it leaves through) at angle theta to
// the axis, azimuth e, reaches that culet at p_xy + h tan(theta) e; the hole is a
// convex disc, so the path meets the wall exactly when that end lies outside it
// (|p_xy + h tan(theta) e| > R). The crystal is convex, so its ends at one tan(theta)
// form the convex set K + h tan(theta) e, and all that is needed are its extreme
// points: the rim of a plate's two faces, a box's corners.
#include "correction/volume/shadow_angles.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace zirel::correction {
namespace {

constexpr double DEG = 180 / std::numbers::pi;

struct Corner {
  double x, y, h;
};

double height(const PreparedVolume& v, double z, Side exit) { return exit == Side::plus ? v.chamber - z : z; }

std::vector<Corner> box_corners(const PreparedVolume& v, Side exit) {
  std::vector<Corner> cs;
  for (double z : {v.z_low, v.z_high})
    for (double sa : {-1.0, 1.0})
      for (double sb : {-1.0, 1.0})
        cs.push_back({v.crystal.offset_x + sa * v.half_a * v.cos_angle - sb * v.half_b * v.sin_angle,
                      v.crystal.offset_y + sa * v.half_a * v.sin_angle + sb * v.half_b * v.cos_angle,
                      height(v, z, exit)});
  return cs;
}

double cross(const Corner& o, const Corner& a, const Corner& b) {
  return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

// Distance from the origin to the convex hull of points (Andrew's monotone chain,
// A. M. Andrew, Inf. Process. Lett. 9 (1979) 216-219); 0 inside.
double hull_distance(std::vector<Corner> p) {
  std::sort(p.begin(), p.end(), [](const Corner& a, const Corner& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
  std::vector<Corner> h(2 * p.size());
  std::size_t k = 0;
  for (std::size_t i = 0; i < p.size(); ++i) {
    while (k >= 2 && cross(h[k - 2], h[k - 1], p[i]) <= 0) --k;
    h[k++] = p[i];
  }
  for (std::size_t i = p.size() - 1, t = k + 1; i-- > 0;) {
    while (k >= t && cross(h[k - 2], h[k - 1], p[i]) <= 0) --k;
    h[k++] = p[i];
  }
  h.resize(k - 1);  // counter-clockwise, the first point not repeated
  bool inside = h.size() >= 3;
  double best = 1e300;
  const Corner o{0, 0, 0};
  for (std::size_t i = 0; i < h.size(); ++i) {
    const Corner& a = h[i];
    const Corner& b = h[(i + 1) % h.size()];
    if (cross(a, b, o) < 0)
      inside = false;
    const double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
    const double t = len2 > 0 ? std::clamp(-(a.x * dx + a.y * dy) / len2, 0.0, 1.0) : 0;
    best = std::min(best, std::hypot(a.x + t * dx, a.y + t * dy));
  }
  return inside ? 0 : best;
}

double segment_distance(double ax, double ay, double bx, double by) {
  const double dx = bx - ax, dy = by - ay, len2 = dx * dx + dy * dy;
  const double t = len2 > 0 ? std::clamp(-(ax * dx + ay * dy) / len2, 0.0, 1.0) : 0;
  return std::hypot(ax + t * dx, ay + t * dy);
}

// Distance from the hole's axis to the nearest end of a path at tan(theta) = t,
// azimuth (ex, ey), minus nothing: every path is blocked when it reaches R.
double nearest_end(const PreparedVolume& v, Side exit, double t, double ex, double ey) {
  const Crystal& c = v.crystal;
  if (c.shape == CrystalShape::box) {
    std::vector<Corner> cs = box_corners(v, exit);
    for (Corner& k : cs) {
      k.x += k.h * t * ex;
      k.y += k.h * t * ey;
    }
    return hull_distance(cs);
  }
  const double h1 = height(v, v.z_low, exit), h2 = height(v, v.z_high, exit);
  const double d = segment_distance(c.offset_x + h1 * t * ex, c.offset_y + h1 * t * ey, c.offset_x + h2 * t * ex,
                                    c.offset_y + h2 * t * ey);
  return d - (c.shape == CrystalShape::plate ? v.half_a : 0);
}

// The farthest end from the hole's axis, the counterpart of nearest_end: a convex set's
// farthest point from the origin is one of its extreme points, a box's corners or, for a
// plate, the rim of one of its two faces (the centre's distance plus the radius).
double farthest_end(const PreparedVolume& v, Side exit, double t, double ex, double ey) {
  const Crystal& c = v.crystal;
  if (c.shape == CrystalShape::box) {
    double far = 0;
    for (const Corner& k : box_corners(v, exit))
      far = std::max(far, std::hypot(k.x + k.h * t * ex, k.y + k.h * t * ey));
    return far;
  }
  const double h1 = height(v, v.z_low, exit), h2 = height(v, v.z_high, exit);
  return std::max(std::hypot(c.offset_x + h1 * t * ex, c.offset_y + h1 * t * ey),
                  std::hypot(c.offset_x + h2 * t * ex, c.offset_y + h2 * t * ey)) +
         (c.shape == CrystalShape::plate ? v.half_a : 0);
}

// The beam's exit side, tan(theta) and azimuth; false for a beam parallel to the culets.
bool direction(const Vec3& u, Side& exit, double& t, double& ex, double& ey) {
  if (u.z == 0)
    return false;
  exit = u.z > 0 ? Side::plus : Side::minus;
  const double s = std::hypot(u.x, u.y);
  t = s / std::abs(u.z);
  ex = s > 0 ? u.x / s : 1;
  ey = s > 0 ? u.y / s : 0;
  return true;
}

}  // namespace

bool reaches_wall(const PreparedVolume& v, const Vec3& u) {
  if (!v.gasket.present || v.crystal.shape == CrystalShape::none)
    return false;
  Side exit{};
  double t = 0, ex = 0, ey = 0;
  if (!direction(u, exit, t, ex, ey))
    return true;
  return farthest_end(v, exit, t, ex, ey) > v.hole_radius;
}

bool fully_shadowed(const PreparedVolume& v, const Vec3& u) {
  if (!v.gasket.present || v.crystal.shape == CrystalShape::none)
    return false;
  Side exit{};
  double t = 0, ex = 0, ey = 0;
  if (!direction(u, exit, t, ex, ey))
    return false;
  return nearest_end(v, exit, t, ex, ey) >= v.hole_radius;
}

ShadowAngles shadow_angles(const PreparedVolume& v, Side exit) {
  ShadowAngles a;
  if (!v.gasket.present || v.crystal.shape == CrystalShape::none)
    return a;
  const Crystal& c = v.crystal;
  const double R = v.hole_radius;
  // Onset: the first end to leave the disc belongs to an extreme point q of height
  // h > 0, with e along q_xy, when |q_xy| + h tan(theta) = R.
  std::vector<Corner> extreme;
  if (c.shape == CrystalShape::box) {
    extreme = box_corners(v, exit);
  } else {
    const double reach = std::hypot(c.offset_x, c.offset_y) + (c.shape == CrystalShape::plate ? v.half_a : 0);
    for (double z : {v.z_low, v.z_high})
      extreme.push_back({reach, 0, height(v, z, exit)});
  }
  double onset = 1e300, lowest = 1e300;
  for (const Corner& q : extreme) {
    lowest = std::min(lowest, q.h);
    if (q.h > 0)
      onset = std::min(onset, (R - std::hypot(q.x, q.y)) / q.h);
  }
  a.onset_deg = onset < 1e300 ? std::atan(std::max(0.0, onset)) * DEG : 90;
  if (lowest <= 0)
    return a;
  // Full shadow: in each azimuth the distance of the nearest end grows convexly with
  // tan(theta) (a convex set moved linearly), so bisection finds where it reaches R;
  // the largest over the azimuths, sampled every 0.1 degree, is the angle beyond which
  // nothing passes.
  double worst = 0;
  constexpr int AZIMUTHS = 3600;
  for (int i = 0; i < AZIMUTHS; ++i) {
    const double phi = 2 * std::numbers::pi * i / AZIMUTHS;
    const double ex = std::cos(phi), ey = std::sin(phi);
    double lo = 0, hi = 1;
    while (nearest_end(v, exit, hi, ex, ey) < R && hi < 1e9) hi *= 2;
    for (int it = 0; it < 60; ++it) {
      const double mid = (lo + hi) / 2;
      (nearest_end(v, exit, mid, ex, ey) < R ? lo : hi) = mid;
    }
    worst = std::max(worst, hi);
  }
  a.full_deg = std::atan(worst) * DEG;
  return a;
}

}  // namespace zirel::correction
