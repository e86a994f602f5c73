#include "correction/enclosing_cap.h"

#include <numbers>
#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

namespace zirel::correction {

namespace {

using planning::cross;
using planning::dot;
using planning::normalized;

constexpr double CONTAIN_SLACK = 1e-12;  // cos of the half-angle; rounding of the normal
constexpr double MIN_POLE_COS = 0.1;     // 84.3 degrees: beyond it the projection blows up
constexpr std::size_t BATCH = 1 << 14;

struct C {
  Vec3d n;
  double cos_r;
  bool holds(const Vec3d& p) const { return dot(n, p) >= cos_r - CONTAIN_SLACK; }
};

Vec3d plus(const Vec3d& a, const Vec3d& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Vec3d minus(const Vec3d& a, const Vec3d& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }

C two(const Vec3d& a, const Vec3d& b) {
  const Vec3d n = normalized(plus(a, b));
  return {n, dot(n, a)};
}

C three(const Vec3d& a, const Vec3d& b, const Vec3d& c) {
  Vec3d n = cross(minus(b, a), minus(c, a));
  const double len = planning::norm(n);
  if (!(len > 1e-15)) {  // on one great circle: the widest pair decides
    C best = two(a, b);
    for (const C& k : {two(a, c), two(b, c)})
      if (k.cos_r < best.cos_r)
        best = k;
    return best;
  }
  n = planning::scaled(n, 1 / len);
  if (dot(n, a) < 0)
    n = planning::scaled(n, -1);
  return {n, dot(n, a)};
}

}  // namespace

Cap smallest_enclosing_cap(std::vector<Vec3d> p) {
  Cap out;
  if (p.empty())
    return out;
  std::mt19937 random(20261209u);  // fixed: the same data give the same cap
  std::shuffle(p.begin(), p.end(), random);
  C c{p[0], 1.0};
  for (std::size_t i = 1; i < p.size(); ++i) {
    if (c.holds(p[i]))
      continue;
    c = {p[i], 1.0};
    for (std::size_t j = 0; j < i; ++j) {
      if (c.holds(p[j]))
        continue;
      c = two(p[i], p[j]);
      for (std::size_t k = 0; k < j; ++k)
        if (!c.holds(p[k]))
          c = three(p[i], p[j], p[k]);
    }
  }
  out.empty = false;
  out.centre = c.n;
  out.half_angle_deg = std::acos(std::clamp(c.cos_r, -1.0, 1.0)) * 180 / std::numbers::pi;
  return out;
}

void CapAccumulator::set_pole() {
  Vec3d sum{};
  for (const Vec3d& u : first_)
    sum = plus(sum, u);
  pole_ = planning::norm(sum) > 0 ? normalized(sum) : Vec3d{0, 0, 1};
  const Vec3d helper = std::fabs(pole_[0]) < 0.9 ? Vec3d{1, 0, 0} : Vec3d{0, 1, 0};
  e1_ = normalized(cross(pole_, helper));
  e2_ = cross(pole_, e1_);
  projecting_ = true;
  std::vector<Vec3d> first = std::move(first_);
  first_.clear();
  for (const Vec3d& u : first)
    project(u);
}

void CapAccumulator::add(const Vec3d& u) {
  if (projecting_) {
    project(u);
    return;
  }
  first_.push_back(u);
  if (first_.size() >= BATCH)
    set_pole();
}

void CapAccumulator::project(const Vec3d& u) {
  const double c = dot(u, pole_);
  if (!(c >= MIN_POLE_COS)) {
    ++outside_;
    return;
  }
  const P q{dot(u, e1_) / c, dot(u, e2_) / c};
  // Nearly every point of a long data set lies inside the hull found so far, and can be no
  // corner of the final one: only the others are kept for the next merge.
  if (inside_hull(q))
    return;
  pending_.push_back(q);
  if (pending_.size() >= BATCH)
    merge();
}

// Strictly inside the counter-clockwise hull: the wedge of the fan from corner 0 that
// holds q, found by bisection, then the side of its outer edge (O(log n)).
bool CapAccumulator::inside_hull(const P& q) const {
  const std::size_t n = hull_.size();
  if (n < 3)
    return false;
  auto turn = [](const P& o, const P& a, const P& b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); };
  const double dx = q.x - inner_.x, dy = q.y - inner_.y;
  if (dx * dx + dy * dy < inner_r2_)
    return true;
  const P& o = hull_[0];
  if (!(turn(o, hull_[1], q) > 0) || !(turn(o, hull_[n - 1], q) < 0))
    return false;
  std::size_t lo = 1, hi = n - 1;  // turn(o, h[lo], q) > 0 and turn(o, h[hi], q) < 0
  while (hi - lo > 1) {
    const std::size_t mid = (lo + hi) / 2;
    (turn(o, hull_[mid], q) > 0 ? lo : hi) = mid;
  }
  return turn(hull_[lo], hull_[hi], q) > 0;
}

void CapAccumulator::merge() {
  std::vector<P>& pts = pending_;
  pts.insert(pts.end(), hull_.begin(), hull_.end());
  std::sort(pts.begin(), pts.end(), [](const P& a, const P& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
  pts.erase(std::unique(pts.begin(), pts.end(), [](const P& a, const P& b) { return a.x == b.x && a.y == b.y; }),
            pts.end());
  if (pts.size() < 3) {
    hull_ = pts;
    pts.clear();
    return;
  }
  auto turn = [](const P& o, const P& a, const P& b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); };
  std::vector<P> h(2 * pts.size());
  std::size_t k = 0;
  for (const P& q : pts) {  // lower chain
    while (k >= 2 && turn(h[k - 2], h[k - 1], q) <= 0) --k;
    h[k++] = q;
  }
  for (std::size_t i = pts.size() - 1, t = k + 1; i-- > 0;) {  // upper chain
    while (k >= t && turn(h[k - 2], h[k - 1], pts[i]) <= 0) --k;
    h[k++] = pts[i];
  }
  h.resize(k - 1);
  hull_ = std::move(h);
  pts.clear();
  set_inner_disc();
}

// The disc about the corners' mean that stays a relative 1e-6 inside every edge: a point
// in it is strictly inside the hull by far more than the turn tests' rounding, so
// inside_hull gives the same answer without its bisection (most points of a data set
// fall in it once the hull has grown).
void CapAccumulator::set_inner_disc() {
  inner_r2_ = 0;
  const std::size_t n = hull_.size();
  if (n < 3)
    return;
  P c{0, 0};
  for (const P& q : hull_)
    c = {c.x + q.x, c.y + q.y};
  c = {c.x / double(n), c.y / double(n)};
  double r = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < n; ++i) {
    const P& a = hull_[i];
    const P& b = hull_[(i + 1) % n];
    const double ex = b.x - a.x, ey = b.y - a.y, len = std::hypot(ex, ey);
    if (!(len > 0))
      return;
    // Signed distance of c from the edge's line, positive on the inner (left) side.
    r = std::min(r, (ex * (c.y - a.y) - ey * (c.x - a.x)) / len);
  }
  if (r > 0) {
    inner_ = c;
    inner_r2_ = (r * (1 - 1e-6)) * (r * (1 - 1e-6));
  }
}

Cap CapAccumulator::result() {
  if (!projecting_)
    set_pole();
  merge();
  std::vector<Vec3d> corners;
  corners.reserve(hull_.size());
  for (const P& q : hull_)
    corners.push_back(normalized(plus(pole_, plus(planning::scaled(e1_, q.x), planning::scaled(e2_, q.y)))));
  return smallest_enclosing_cap(std::move(corners));
}

}  // namespace zirel::correction
