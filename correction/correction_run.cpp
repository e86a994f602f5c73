#include "correction/correction_run.h"

#include <algorithm>
#include <cmath>
#include "correction/volume/shadow_angles.h"

namespace zirel::correction {

namespace {

// Would the failing record pass with its cosines read another way? Only the unit-length
// test is tried: it needs no h k l, so it tells the layout from the cell.
void diagnose(const PreparedCorrection& p, const Cosines& c, CorrectionSummary& s) {
  const BeamFrame& f = p.beams;
  auto unit = [&](const Vec3d& v) { return std::fabs(planning::norm(v) - 1) <= f.norm_tolerance; };
  // Cosines relative to the direct axes, c_i = u . a_i / |a_i|, give back
  // u = sum_i c_i |a_i| a*_i, since a_i . a*_j is the Kronecker delta.
  auto reciprocal_sum = [&](double x, double y, double z) {
    Vec3d v{};
    const Vec3d comp{x, y, z};
    for (int i = 0; i < 3; ++i) {
      Vec3d e{};
      e[i] = 1;
      const Vec3d a = f.frame.direct_vector(e);
      const Vec3d as = f.frame.reciprocal_vector(e);
      const double scale = comp[i] * planning::norm(a);
      v = {v[0] + scale * as[0], v[1] + scale * as[1], v[2] + scale * as[2]};
    }
    return v;
  };
  if (unit(reciprocal_sum(c[0], c[2], c[4])) && unit(reciprocal_sum(c[1], c[3], c[5])))
    ++s.pass_as_direct;
  const BeamPair grouped = beams_of(f, {c[0], c[3], c[1], c[4], c[2], c[5]});
  if (unit(grouped.incident_reversed) && unit(grouped.diffracted))
    ++s.pass_as_grouped;
}

}  // namespace

CorrectionSummary run_correction(const PreparedCorrection& p, ReflectionSource& source, ReflectionSink& sink,
                                 const CorrectionOptions& options) {
  CorrectionSummary s;
  s.t_min = 1;
  s.t_max = 0;
  const Vec3d z = p.to_cell_frame.row[2];
  CapAccumulator cap;
  Vec3d source_side{};  // the first reversed incident beam: the side the source lies on
  Reflection r;
  for (;;) {
    const IoStatus st = source.next(r);
    if (st == IO_END)
      break;
    if (st != IO_OK) {
      s.run_failed = true;
      s.failed_after = s.records_read;
      break;
    }
    ++s.records_read;
    if (r.h == 0 && r.k == 0 && r.l == 0)
      break;  // the terminator, or a blank record: the data end here
    ++s.reflections;
    Cosines c{};
    const CosineRead read = read_cosines(r.extra_columns, c);
    bool passed = false;
    if (read == CosineRead::missing) {
      ++s.no_cosines;
    } else if (read == CosineRead::unreadable) {
      ++s.unreadable_cosines;
    } else {
      const ReflectionCorrection rc = correct_reflection(p, r.h, r.k, r.l, c);
      if (rc.checked.check == BeamCheck::not_unit) {
        ++s.not_unit;
        diagnose(p, c, s);
      } else if (rc.checked.check == BeamCheck::wrong_angle) {
        ++s.wrong_angle;
        diagnose(p, c, s);
      } else {
        passed = true;
        if (options.on_checked)
          options.on_checked(rc);
        // Every beam turned towards one side of the cell: the reversed incident beam as it
        // is, the diffracted one turned round, both flipped when the incident beam lies on the
        // other side from the first record's (a data set measured with the cell turned over).
        const Vec3d& in = rc.checked.beams.incident_reversed;
        const Vec3d& out = rc.checked.beams.diffracted;
        if (planning::norm(source_side) == 0)
          source_side = in;
        const double sign = planning::dot(in, source_side) >= 0 ? 1 : -1;
        cap.add(planning::scaled(in, sign));
        cap.add(planning::scaled(out, -sign));
        s.fit.beams_used += 2;
        if (rc.incident.blocked && rc.incident.plus_side) ++s.blocked_plus;
        if (rc.diffracted.blocked && rc.diffracted.plus_side) ++s.blocked_plus;
        if (rc.incident.blocked && !rc.incident.plus_side) ++s.blocked_minus;
        if (rc.diffracted.blocked && !rc.diffracted.plus_side) ++s.blocked_minus;
        if (rc.idealised_pass && !rc.measured_pass) ++s.idealised_only;
        if (!rc.idealised_pass && rc.measured_pass) ++s.measured_only;
        if (!rc.measured_pass) {
          ++s.blocked;
          continue;
        }
        if (rc.transmission < options.min_transmission * p.t_axis) {
          ++s.shadowed;
          continue;
        }
        Reflection corrected = r;
        corrected.intensity = float(r.intensity / rc.transmission);
        corrected.sigma_intensity = float(r.sigma_intensity / rc.transmission);
        if (!sink.write(corrected)) {
          ++s.too_large;
          continue;
        }
        ++s.written;
        ++s.corrected;
        if (p.volume && p.volume->gasket.present &&
            (reaches_wall(*p.volume, {rc.incident.u[0], rc.incident.u[1], rc.incident.u[2]}) ||
             reaches_wall(*p.volume, {rc.diffracted.u[0], rc.diffracted.u[1], rc.diffracted.u[2]})))
          ++s.partly_shadowed;
        s.t_min = std::min(s.t_min, rc.transmission);
        s.t_max = std::max(s.t_max, rc.transmission);
      }
    }
    if (!passed && options.keep_unchecked) {
      if (sink.write(r)) {
        ++s.written;
        ++s.kept_unchecked;
      } else {
        ++s.too_large;
      }
    }
  }
  if (s.corrected == 0)
    s.t_min = s.t_max = 0;
  s.fit.cap = cap.result();
  s.fit.beams_outside = cap.outside_hemisphere();
  s.fit.beams_used -= s.fit.beams_outside;
  if (!s.fit.cap.empty) {
    s.fit.uvw = planning::nearest_direction(p.small, s.fit.cap.centre);
    s.fit.hkl = planning::nearest_plane_normal(p.small, s.fit.cap.centre);
    s.fit.angle_to_given_deg = planning::axis_angle_deg(s.fit.cap.centre, z);
  }
  return s;
}

std::optional<std::string> most_fail(const CorrectionSummary& s) {
  const int64_t failed = s.checked_failures();
  if (s.reflections == 0 || 2 * failed <= s.reflections)
    return std::nullopt;
  std::string why;
  if (2 * (s.no_cosines + s.unreadable_cosines) > failed)
    why = "most records have no direction cosines in columns 33-80 (the layout 3I4,2F8.2,I4,6F8.5)";
  else if (2 * s.pass_as_direct > failed)
    why = "the cosines look relative to the direct axes a, b, c; they must be relative to a*, b*, c*";
  else if (2 * s.pass_as_grouped > failed)
    why = "the cosines look written in another order (incident a* b* c*, then diffracted); expected "
          "incident a*, diffracted a*, incident b*, diffracted b*, incident c*, diffracted c*";
  else if (2 * s.wrong_angle > failed)
    why = "the beams are unit vectors but their angle is not 2 theta: the cell or the wavelength is "
          "not the one the data were integrated with";
  else
    why = "the beams are not unit vectors for this cell: the cell is wrong, or its axes are in another "
          "order than the integration program's";
  return std::to_string(failed) + " of " + std::to_string(s.reflections) +
         " reflections fail the direction-cosine check: " + why;
}

}  // namespace zirel::correction
