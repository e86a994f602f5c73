#include "orientation_map.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <thread>

namespace zirel::planning {

namespace {

constexpr double PI = std::numbers::pi;
constexpr double RAD = PI / 180.0;

// How far the equivalent along s is from its boundary at the axis, in degrees:
// positive inside, (Psi max - theta) - |delta| with |delta| = asin|n . s|.
double inside_by(const UniqueBands& u, const Vec3d& s, const Vec3d& axis) {
  return u.margin_deg - std::asin(std::min(1.0, std::fabs(dot(axis, s)))) / RAD;
}

// A band normal in polar form: s = (rho cos phi, rho sin phi, z).
struct Polar {
  double rho, phi, z;
};

// Cells [first, last] of one ring, in unwrapped indices (last may pass the ring's end).
struct Run {
  int first, last;
};

struct Ring {
  double sin_polar, cos_polar, cell_width;  // cell width in radians of azimuth
  int start, size;
};

// The cells of one ring whose centre azimuth phi satisfies |n(phi) . s| < w. Along the
// ring n . s = A cos(phi - phi_s) + B, A = sin(polar) rho, B = cos(polar) z, so the
// band holds cos(phi - phi_s) in ((-w - B) / A, (w - B) / A): |phi - phi_s| between
// acos of the upper and of the lower bound.
void band_runs(const Ring& ring, const Polar& s, double w, std::vector<Run>& out) {
  const double a = ring.sin_polar * s.rho, b = ring.cos_polar * s.z;
  if (b - a >= w || b + a <= -w)
    return;  // the band misses the ring
  if (b - a > -w && b + a < w) {
    out.push_back({0, ring.size - 1});
    return;
  }
  const double upper = (w - b) / a, lower = (-w - b) / a;
  const double near = upper >= 1 ? 0.0 : std::acos(upper);
  const double far = lower <= -1 ? PI : std::acos(lower);
  // Cells strictly inside the azimuth interval (from, to).
  auto add = [&](double from, double to) {
    const int first = static_cast<int>(std::floor(from / ring.cell_width - 0.5)) + 1;
    const int last = static_cast<int>(std::ceil(to / ring.cell_width - 0.5)) - 1;
    if (first <= last)
      out.push_back({first, last});
  };
  if (near == 0.0) {
    add(s.phi - far, s.phi + far);
  } else if (far == PI) {
    add(s.phi + near, s.phi + 2 * PI - near);
  } else {
    add(s.phi + near, s.phi + far);
    add(s.phi - far, s.phi - near);
  }
}

// Brings the runs into [0, size), merges them and adds one per covered cell to diff.
void add_union(const Ring& ring, std::vector<Run>& runs, std::vector<Run>& scratch,
               std::vector<int>& diff) {
  scratch.clear();
  for (Run r : runs) {
    if (r.last - r.first + 1 >= ring.size) {
      scratch.assign(1, {0, ring.size - 1});
      break;
    }
    const int shift = r.first >= 0 ? r.first / ring.size : -((-r.first - 1) / ring.size + 1);
    r.first -= shift * ring.size;
    r.last -= shift * ring.size;
    if (r.last >= ring.size) {
      scratch.push_back({r.first, ring.size - 1});
      scratch.push_back({0, r.last - ring.size});
    } else {
      scratch.push_back(r);
    }
  }
  std::sort(scratch.begin(), scratch.end(), [](Run x, Run y) { return x.first < y.first; });
  Run current = scratch.front();
  auto flush = [&](Run r) {
    ++diff[ring.start + r.first];
    --diff[ring.start + r.last + 1];
  };
  for (size_t i = 1; i < scratch.size(); ++i) {
    if (scratch[i].first <= current.last + 1) {
      current.last = std::max(current.last, scratch[i].last);
    } else {
      flush(current);
      current = scratch[i];
    }
  }
  flush(current);
}

// Adds, for the unique reflections first, first + stride, ..., one to every cell
// that reaches them; diff is a difference array over all cells.
void rasterise(const std::vector<Ring>& rings, const BandSet& set, const std::vector<Polar>& polar,
               std::span<const std::uint8_t> covered, int first, int stride, std::vector<int>& diff) {
  std::vector<Run> runs, scratch;
  for (int u = first; u < set.size(); u += stride) {
    const UniqueBands& unique = set.uniques[u];
    if (unique.sin_margin <= 0 || (!covered.empty() && covered[u]))
      continue;
    for (const Ring& ring : rings) {
      runs.clear();
      if (unique.sin_margin > 1) {
        runs.push_back({0, ring.size - 1});
      } else {
        for (int b = unique.first; b < unique.first + unique.count; ++b)
          band_runs(ring, polar[b], unique.sin_margin, runs);
      }
      if (!runs.empty())
        add_union(ring, runs, scratch, diff);
    }
  }
}

}  // namespace

void add_unique(BandSet& set, double theta_deg, double psi_max_deg, std::span<const Vec3d> scattering) {
  UniqueBands u;
  u.margin_deg = psi_max_deg - theta_deg;
  if (!(u.margin_deg > 0))
    u.sin_margin = -1;
  else if (u.margin_deg >= 90)
    u.sin_margin = 2;
  else
    u.sin_margin = std::sin(u.margin_deg * RAD);
  u.first = static_cast<int>(set.normals.size());
  for (const Vec3d& s : scattering) {
    const Vec3d n = normalized(upper(s));
    const auto begin = set.normals.begin() + u.first;
    if (std::find(begin, set.normals.end(), n) == set.normals.end())
      set.normals.push_back(n);
  }
  u.count = static_cast<int>(set.normals.size()) - u.first;
  set.uniques.push_back(u);
}

std::vector<int> accessible_counts(const DirectionGrid& grid, const BandSet& set,
                                   std::span<const std::uint8_t> covered, int threads) {
  std::vector<Ring> rings;
  for (int i = 0; i < grid.ring_count(); ++i) {
    const double p = grid.polar_deg(i) * RAD;
    rings.push_back({std::sin(p), std::cos(p), 2 * PI / grid.ring_size[i], grid.ring_start[i],
                     grid.ring_size[i]});
  }
  std::vector<Polar> polar;
  polar.reserve(set.normals.size());
  for (const Vec3d& s : set.normals)
    polar.push_back({std::hypot(s[0], s[1]), std::atan2(s[1], s[0]), s[2]});

  const int cells = grid.cell_count();
  threads = std::max(1, threads);
  std::vector<std::vector<int>> diffs(threads, std::vector<int>(cells + 1, 0));
  std::vector<std::thread> workers;
  for (int t = 1; t < threads; ++t)
    workers.emplace_back([&, t] { rasterise(rings, set, polar, covered, t, threads, diffs[t]); });
  rasterise(rings, set, polar, covered, 0, threads, diffs[0]);
  for (std::thread& w : workers)
    w.join();

  int always = 0;
  for (int u = 0; u < set.size(); ++u)
    if (!covered.empty() && covered[u])
      ++always;
  std::vector<int> counts(cells);
  int running = always;
  for (int c = 0; c < cells; ++c) {
    for (int t = 0; t < threads; ++t)
      running += diffs[t][c];
    counts[c] = running;
  }
  return counts;
}

double inside_margin(const BandSet& set, int u, const Vec3d& unit_axis) {
  const UniqueBands& unique = set.uniques[u];
  if (!(unique.margin_deg > 0))
    return -180;
  double best = -180;
  for (int b = unique.first; b < unique.first + unique.count; ++b)
    best = std::max(best, inside_by(unique, set.normals[b], unit_axis));
  return best;
}

AxisCount count_at(const BandSet& set, const Vec3d& axis, std::span<const std::uint8_t> covered,
                   double tolerance_deg) {
  const Vec3d n = normalized(axis);
  AxisCount out;
  for (int u = 0; u < set.size(); ++u) {
    if (!covered.empty() && covered[u]) {
      ++out.accessible;
      continue;
    }
    const double inside = inside_margin(set, u, n);
    out.accessible += inside > 0;
    out.near_boundary += std::fabs(inside) <= tolerance_deg;
  }
  return out;
}

}  // namespace zirel::planning
