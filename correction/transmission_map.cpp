#include "correction/transmission_map.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include "correction/volume/gauss_legendre.h"
#include "correction/volume/paths.h"
#include "correction/volume/shadow_angles.h"
#include "correction/volume/volume_average.h"

namespace zirel::correction {

namespace {

constexpr double RAD = std::numbers::pi / 180;

// The mean of one beam's transmission over the crystal by a product rule: for a plate
// r = R sqrt(s) makes the area element uniform in s, the azimuth is periodic (equal
// steps are exact for its Fourier terms) and its nodes turn with the beam's azimuth, so
// a centred plate gives every azimuth the same value; a box is the plain product rule.
double gauss_mean(const PreparedVolume& v, const Vec3& u, int n) {
  const GaussRule& g = gauss_legendre_shared(std::clamp(n, 1, SHARED_RULES));
  const double beam_azimuth = std::atan2(u.y, u.x);
  const double mid_z = (v.z_low + v.z_high) / 2, half_z = (v.z_high - v.z_low) / 2;
  const double ox = v.crystal.offset_x, oy = v.crystal.offset_y;
  double sum = 0, weight = 0;
  for (std::size_t k = 0; k < g.nodes.size(); ++k) {
    const double z = mid_z + half_z * g.nodes[k];
    for (std::size_t i = 0; i < g.nodes.size(); ++i)
      for (std::size_t j = 0; j < g.nodes.size(); ++j) {
        Vec3 p{0, 0, z};
        if (v.crystal.shape == CrystalShape::plate) {
          const double r = v.half_a * std::sqrt((1 + g.nodes[i]) / 2);
          const double a = beam_azimuth + 2 * std::numbers::pi * (j + 0.5) / g.nodes.size();
          p.x = ox + r * std::cos(a);
          p.y = oy + r * std::sin(a);
        } else {
          const double X = v.half_a * g.nodes[i], Y = v.half_b * g.nodes[j];
          p.x = ox + v.cos_angle * X - v.sin_angle * Y;
          p.y = oy + v.sin_angle * X + v.cos_angle * Y;
        }
        const double w = g.weights[k] * g.weights[i] * (v.crystal.shape == CrystalShape::plate ? 1 : g.weights[j]);
        sum += w * path_transmission(v, p, u);
        weight += w;
      }
  }
  return weight > 0 ? sum / weight : 1;
}

}  // namespace

double single_beam_volume_factor(const PreparedVolume& v, const Vec3& u, int points) {
  if (v.crystal.shape == CrystalShape::none || (!v.gasket.present && v.crystal.mu == 0))
    return 1;
  if (v.crystal.shape == CrystalShape::point) {
    const Vec3 p{v.crystal.offset_x, v.crystal.offset_y, v.z_low};
    return path_transmission(v, p, u);
  }
  if (v.gasket.opaque && fully_shadowed(v, u))
    return 0;
  if (v.crystal.mu == 0) {
    // A beam along the axis stays inside the hole from every point of the crystal
    // (prepare_volume keeps the crystal inside it), so its factor is exactly 1.
    const Vec3 partner{0, 0, u.z > 0 ? -1.0 : 1.0};
    return volume_average(v, u, partner);
  }
  return gauss_mean(v, u, points);
}

Vec3d side_direction(bool plus, double polar_deg, double azimuth_deg) {
  const double s = std::sin(polar_deg * RAD), c = std::cos(polar_deg * RAD);
  return {s * std::cos(azimuth_deg * RAD), s * std::sin(azimuth_deg * RAD), plus ? c : -c};
}

double single_beam_transmission(const PreparedCorrection& p, const Vec3d& u) {
  const double c = std::fabs(u[2]);
  const PreparedSide& side = u[2] > 0 ? p.plus : p.minus;
  const bool blocked = side.cos_opening > 0 ? !(c >= side.cos_opening) : !(c > 0);
  if (blocked)
    return 0;
  // Beer-Lambert through flat layers, the path t / cos polar (as beam_path has it).
  double t = std::exp(-side.attenuation_length / c);
  if (p.volume)
    t *= single_beam_volume_factor(*p.volume, Vec3{u[0], u[1], u[2]});
  return t;
}

TransmissionMap transmission_map(const PreparedCorrection& p, double step_deg) {
  TransmissionMap map;
  for (SideTransmission* side : {&map.plus, &map.minus}) {
    side->plus = side == &map.plus;
    const PreparedSide& prepared = side->plus ? p.plus : p.minus;
    side->opening_deg = prepared.cos_opening > 0 ? prepared.opening_deg : 90;
    if (p.volume) {
      const ShadowAngles a = shadow_angles(*p.volume, side->plus ? Side::plus : Side::minus);
      side->shadow_onset_deg = a.onset_deg;
      side->shadow_full_deg = a.full_deg;
    }
    const int rings = std::max(1, static_cast<int>(std::ceil(side->opening_deg / step_deg - 1e-9)));
    side->step_deg = side->opening_deg / rings;
    for (int ring = 0; ring < rings; ++ring) {
      const double inner = ring * side->step_deg, outer = inner + side->step_deg, mid = (inner + outer) / 2;
      // Cells about as wide along the ring as the ring is across: 2 pi sin(polar) / step.
      const int size = std::max(6, static_cast<int>(std::lround(360 * std::sin(mid * RAD) / side->step_deg)));
      side->ring_size.push_back(size);
      for (int j = 0; j < size; ++j)
        side->transmission.push_back(
            single_beam_transmission(p, side_direction(side->plus, mid, (j + 0.5) * 360.0 / size)));
    }
  }
  return map;
}

void BeamSample::add_to(std::vector<SideDirection>& sample, int64_t& seen, SideDirection d) {
  ++seen;
  if (sample.size() < limit_) {
    sample.push_back(d);
    return;
  }
  // splitmix64 (Steele, Lea & Flood, OOPSLA 2014): the same numbers on every platform.
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  z ^= z >> 31;
  const uint64_t j = z % static_cast<uint64_t>(seen);
  if (j < limit_)
    sample[j] = d;
}

void BeamSample::add(const Vec3d& u) {
  const double polar = std::acos(std::clamp(std::fabs(u[2]), 0.0, 1.0)) / RAD;
  double azimuth = std::atan2(u[1], u[0]) / RAD;
  if (azimuth < 0)
    azimuth += 360;
  if (u[2] > 0)
    add_to(plus_, plus_seen_, {polar, azimuth});
  else
    add_to(minus_, minus_seen_, {polar, azimuth});
}

void BeamSample::fill(TransmissionMap& map) const {
  map.plus.beams = plus_;
  map.plus.beams_seen = plus_seen_;
  map.minus.beams = minus_;
  map.minus.beams_seen = minus_seen_;
}

}  // namespace zirel::correction
