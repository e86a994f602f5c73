#include "correction/beam_vectors.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include "recio/edit.h"

namespace zirel::correction {

namespace {

bool blank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

static_assert(COSINE_WIDTH == 8 && COSINE_DECIMALS == 5, "the usual layout below is F8.5");
constexpr float COSINE_SCALE = 1e5f;

// The layout integration programs write, " 0.12345", "-0.12345" or " 1.00000": a blank
// or sign, one digit, the point, five digits. Read here without the general field
// reader's per-character decisions (the run's most frequent number), to the same value:
// the mantissa (at most 199999) and 1e5 are exact in a float, so one division is the
// correctly rounded result, as the general reader's is. False for any other text.
bool read_usual_cosine(std::string_view f, float& value) {
  auto digit = [&](std::size_t i) { return unsigned(f[i]) - unsigned('0'); };
  const char sign = f[0];
  if (f[2] != '.' || !(sign == ' ' || sign == '-' || sign == '+'))
    return false;
  uint32_t m = digit(1);
  if (m > 9)
    return false;
  for (std::size_t i = 3; i < COSINE_WIDTH; ++i) {
    const uint32_t d = digit(i);
    if (d > 9)
      return false;
    m = m * 10 + d;
  }
  const float v = float(m) / COSINE_SCALE;
  value = sign == '-' ? -v : v;
  return true;
}

}  // namespace

CosineRead read_cosines(std::string_view extra, Cosines& cosines) {
  if (extra.size() < COSINE_EXTRA_COLUMNS || blank(extra.substr(BATCH_COLUMNS, 6 * COSINE_WIDTH)))
    return CosineRead::missing;
  for (std::size_t i = 0; i < 6; ++i) {
    const std::string_view field = extra.substr(BATCH_COLUMNS + i * COSINE_WIDTH, COSINE_WIDTH);
    // A blank field among written ones is a damaged record, not a zero cosine.
    float value = 0;
    if (read_usual_cosine(field, value)) {
      cosines[i] = value;
      continue;
    }
    if (blank(field) || !parse_real_field(field, int(COSINE_DECIMALS), value))
      return CosineRead::unreadable;
    cosines[i] = value;
  }
  return CosineRead::ok;
}

BeamFrame make_beam_frame(const UnitCell& cell, double wavelength) {
  BeamFrame f;
  f.frame = planning::make_frame(cell);
  f.wavelength = wavelength;
  double sum = 0;
  for (int i = 0; i < 3; ++i) {
    Vec3d axis{}, direct{};
    axis[i] = 1;
    direct[i] = 1;
    f.reciprocal_length[i] = planning::norm(f.frame.reciprocal_vector(axis));
    sum += f.reciprocal_length[i] * planning::norm(f.frame.direct_vector(direct));
  }
  const double du = 0.5e-5 * sum;
  f.norm_tolerance = 2 * du;
  f.angle_tolerance = 2 * (2 * du);
  return f;
}

BeamPair beams_of(const BeamFrame& f, const Cosines& c) {
  const auto& L = f.reciprocal_length;
  return {f.frame.direct_vector({c[0] * L[0], c[2] * L[1], c[4] * L[2]}),
          f.frame.direct_vector({c[1] * L[0], c[3] * L[1], c[5] * L[2]})};
}

CheckedBeams check_beams(const BeamFrame& f, int h, int k, int l, const Cosines& cosines) {
  CheckedBeams out;
  out.beams = beams_of(f, cosines);
  const double n_in = planning::norm(out.beams.incident_reversed);
  const double n_out = planning::norm(out.beams.diffracted);
  if (!(std::fabs(n_in - 1) <= f.norm_tolerance && std::fabs(n_out - 1) <= f.norm_tolerance)) {
    out.check = BeamCheck::not_unit;
    return out;
  }
  out.beams.incident_reversed = planning::scaled(out.beams.incident_reversed, 1 / n_in);
  out.beams.diffracted = planning::scaled(out.beams.diffracted, 1 / n_out);
  // The reversed incident beam is -s0, so the scattering angle 2theta is the angle between
  // -u_in and u_out, and the chord between them is |u_out + u_in| = 2 sin theta. Bragg's
  // law gives sin theta = lambda d* / 2. The angle's tolerance, halved for theta, is
  // compared in sin theta: d(sin theta) = cos theta d(theta). No inverse sine per record.
  const Vec3d chord = {out.beams.incident_reversed[0] + out.beams.diffracted[0],
                       out.beams.incident_reversed[1] + out.beams.diffracted[1],
                       out.beams.incident_reversed[2] + out.beams.diffracted[2]};
  const double s_measured = planning::norm(chord) / 2;
  const double d_star = planning::norm(f.frame.reciprocal_vector({double(h), double(k), double(l)}));
  const double s_expected = f.wavelength * d_star / 2;
  const double cos_theta = s_expected <= 1 ? std::sqrt(1 - s_expected * s_expected) : 0;
  if (!(s_expected <= 1 && std::fabs(s_measured - s_expected) <= f.angle_tolerance / 2 * cos_theta + 1e-12)) {
    out.check = BeamCheck::wrong_angle;
    out.measured_angle_rad = 2 * std::asin(std::min(s_measured, 1.0));
    out.two_theta_rad = s_expected <= 1 ? 2 * std::asin(s_expected) : std::numeric_limits<double>::quiet_NaN();
  }
  return out;
}

}  // namespace zirel::correction
