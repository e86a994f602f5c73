#include "correction/beam_vectors.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include "recio/edit.h"

namespace zirel::correction {

namespace {

bool blank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

}  // namespace

CosineRead read_cosines(std::string_view extra, Cosines& cosines) {
  if (extra.size() < COSINE_EXTRA_COLUMNS || blank(extra.substr(BATCH_COLUMNS, 6 * COSINE_WIDTH)))
    return CosineRead::missing;
  for (std::size_t i = 0; i < 6; ++i) {
    const std::string_view field = extra.substr(BATCH_COLUMNS + i * COSINE_WIDTH, COSINE_WIDTH);
    // A blank field among written ones is a damaged record, not a zero cosine.
    float value = 0;
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
