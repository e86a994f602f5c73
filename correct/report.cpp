#include "correct/report.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <sstream>
#include "correction/attenuation.h"
#include "correction/volume/shadow_angles.h"
#include "filtering/status_texts.h"
#include "filtering/version.h"

namespace zirel::correct {

namespace {

using correction::CorrectionSummary;

// Fixed decimals through to_chars: no locale decides the decimal sign.
std::string fixed(double v, int decimals) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  return std::string(buf, r.ptr);
}

std::string indices(const planning::Indices& i, char open, char close) {
  return open + std::to_string(i[0]) + " " + std::to_string(i[1]) + " " + std::to_string(i[2]) + close;
}

std::string json_string(const std::string& s) {
  std::string out = "\"";
  for (char ch : s) {
    if (ch == '"' || ch == '\\')
      out += '\\';
    out += ch;
  }
  return out + "\"";
}

struct Material {
  std::string where, formula;
  double density, thickness, mu;
};

std::vector<Material> materials(const ReportContext& c) {
  std::vector<Material> m;
  for (const auto* side : {&c.dac.plus, &c.dac.minus}) {
    const auto& p = side == &c.dac.plus ? c.prepared.plus : c.prepared.minus;
    const std::string sign = side == &c.dac.plus ? "+" : "-";
    m.push_back({sign + " side (" + side->name + ") anvil", side->anvil.material, side->anvil.density_g_cm3,
                 side->anvil.thickness_mm, p.mu_anvil});
    if (side->backing_plate)
      m.push_back({sign + " side (" + side->name + ") backing plate", side->backing_plate->material,
                   side->backing_plate->density_g_cm3, side->backing_plate->thickness_mm, p.mu_plate});
  }
  if (c.dac.gasket && !c.dac.gasket->opaque)
    m.push_back({"gasket", c.dac.gasket->layer.material, c.dac.gasket->layer.density_g_cm3,
                 c.dac.gasket->layer.thickness_mm, c.prepared.mu_gasket});
  if (c.dac.crystal && !c.dac.crystal->material.empty()) {
    const auto& k = *c.dac.crystal;
    m.push_back({"crystal", k.material, k.density_g_cm3,
                 k.form == correction::CrystalForm::plate ? k.thickness_mm : k.edge_c_mm, c.prepared.mu_crystal});
  }
  return m;
}

std::string opening_text(const correction::PreparedSide& s) {
  return s.cos_opening > 0 ? fixed(s.opening_deg, 2) + " deg" : std::string("none");
}

// zirel-batch prints its status text without the blanks that pad it to 80 columns.
std::string trimmed(std::string t) {
  t.erase(t.find_last_not_of(' ') + 1);
  return t;
}

// The onset angles of one side, for the report: where the shadow begins, where all of
// the crystal is in it (90: never).
correction::ShadowAngles side_angles(const ReportContext& c, bool plus) {
  if (!c.prepared.volume)
    return {};
  return shadow_angles(*c.prepared.volume, plus ? correction::Side::plus : correction::Side::minus);
}

std::string angle_or_never(double deg) { return deg >= 90 ? std::string("never") : fixed(deg, 2) + " deg"; }

}  // namespace

std::string status_line(const CorrectionSummary& s) {
  static const CountMessage message({"PROGRAM COMPLETED: ", " REFLECTIONS INPUT", " OUTPUT"});
  static const CountMessage failed({"  ERROR READING FILE AFTER LINE ", ""});
  if (s.run_failed)
    return trimmed(failed.text({int32_t(s.failed_after)}));
  return trimmed(message.text({int32_t(s.records_read), int32_t(s.written)}));
}

std::string summary_text(const CorrectionSummary& s, const ReportContext& c) {
  std::ostringstream o;
  o << "Records read:                 " << s.records_read << "\n"
    << "Kept and corrected:           " << s.corrected << "\n";
  if (s.kept_unchecked)
    o << "Kept unchecked:               " << s.kept_unchecked << "\n";
  if (s.too_large)
    o << "Too large to write:           " << s.too_large << "\n";
  o << "Blocked by the opening:       " << s.blocked << " (beams blocked: + side " << s.blocked_plus
    << ", - side " << s.blocked_minus << ")\n"
    << "Failing the cosine check:     " << s.checked_failures() << " (no cosines " << s.no_cosines
    << ", unreadable " << s.unreadable_cosines << ", not unit vectors " << s.not_unit << ", angle not 2theta "
    << s.wrong_angle << ")\n"
    << "Idealised rule against beams: " << s.idealised_only << " kept by the rule but blocked, "
    << s.measured_only << " passed but left out by the rule (Psi max " << fixed(c.psi_max, 2) << " deg)\n";
  if (s.fit.cap.empty) {
    o << "Fitted axis:                  none (no reflection passed the check)\n";
  } else {
    o << "Fitted axis:                  " << indices(s.fit.uvw.indices, '[', ']') << " ("
      << fixed(s.fit.uvw.angle_deg, 2) << " deg off), " << indices(s.fit.hkl.indices, '(', ')') << " ("
      << fixed(s.fit.hkl.angle_deg, 2) << " deg off), " << fixed(s.fit.angle_to_given_deg, 2)
      << " deg from the axis given\n"
      << "Beams' half-angle:            " << fixed(s.fit.cap.half_angle_deg, 2) << " deg (opening: + side "
      << opening_text(c.prepared.plus) << ", - side " << opening_text(c.prepared.minus) << ")\n";
  }
  if (c.prepared.volume) {
    o << "Left out as shadowed:         " << s.shadowed << " (T below " << fixed(c.min_transmission, 3)
      << " of the on-axis " << fixed(c.prepared.t_axis, 4) << ")\n";
    if (c.dac.gasket) {
      o << "Kept, partly shadowed:        " << s.partly_shadowed << "\n";
      for (bool plus : {true, false}) {
        const auto a = side_angles(c, plus);
        o << "Gasket's shadow, " << (plus ? "+" : "-") << " side:      begins " << angle_or_never(a.onset_deg)
          << ", all of the crystal " << angle_or_never(a.full_deg) << "\n";
      }
    }
  }
  o << "Transmission T min, T max:    " << fixed(s.t_min, 4) << " " << fixed(s.t_max, 4) << "\n"
    << "Wavelength:                   " << fixed(c.wavelength, 5) << " A ("
    << fixed(correction::photon_energy_kev(c.wavelength), 3) << " keV)\n";
  for (const Material& m : materials(c))
    o << "mu, " << m.where << ": " << m.formula << " " << fixed(m.density, 3) << " g/cm3, "
      << fixed(m.thickness, 3) << " mm: " << fixed(m.mu, 4) << " /mm\n";
  return o.str();
}

std::string cif_lines(const CorrectionSummary& s, const ReportContext& c) {
  std::ostringstream o;
  // numerical: a grid over the crystal when the gasket or the crystal is described;
  // otherwise each path's factor has a closed form through flat layers.
  o << "_exptl_absorpt_correction_type    " << (c.prepared.volume_factor ? "numerical" : "analytical") << "\n"
    << "_exptl_absorpt_correction_T_min   " << fixed(s.t_min, 4) << "\n"
    << "_exptl_absorpt_correction_T_max   " << fixed(s.t_max, 4) << "\n"
    << "_exptl_absorpt_process_details\n;\n"
    << " Zirel " ZIREL_VERSION " (zirel-correct): diamond-anvil cell, anvils and plates as\n"
    << " flat layers, beams beyond the openings left out";
  if (c.prepared.volume_factor)
    o << ", gasket and crystal averaged over\n the crystal's volume (Gauss-Legendre grid), T below "
      << fixed(c.min_transmission, 3) << " of the on-axis factor left out";
  o << ".\n mu from xraylib at " << fixed(c.wavelength, 5) << " A:\n";
  for (const Material& m : materials(c))
    o << " " << m.where << " " << m.formula << ", " << fixed(m.density, 3) << " g/cm3, " << fixed(m.thickness, 3)
      << " mm, mu " << fixed(m.mu, 4) << " /mm\n";
  if (c.dac.gasket) {
    o << " gasket " << (c.dac.gasket->opaque ? std::string("opaque") : c.dac.gasket->layer.material) << ", "
      << fixed(c.dac.gasket->layer.thickness_mm, 3) << " mm thick, hole " << fixed(c.dac.gasket->hole_diameter_mm, 3)
      << " mm\n";
  }
  o << ";\n";
  return o.str();
}

std::string summary_json(const CorrectionSummary& s, const ReportContext& c) {
  std::ostringstream o;
  o << "{\"records_read\": " << s.records_read << ", \"reflections\": " << s.reflections
    << ", \"written\": " << s.written << ", \"corrected\": " << s.corrected
    << ", \"kept_unchecked\": " << s.kept_unchecked << ", \"too_large\": " << s.too_large
    << ", \"blocked\": " << s.blocked << ", \"blocked_beams_plus\": " << s.blocked_plus
    << ", \"blocked_beams_minus\": " << s.blocked_minus << ", \"no_cosines\": " << s.no_cosines
    << ", \"unreadable_cosines\": " << s.unreadable_cosines << ", \"not_unit\": " << s.not_unit
    << ", \"wrong_angle\": " << s.wrong_angle << ", \"idealised_only\": " << s.idealised_only
    << ", \"measured_only\": " << s.measured_only << ", \"psi_max_deg\": " << fixed(c.psi_max, 4)
    << ", \"t_min\": " << fixed(s.t_min, 6) << ", \"t_max\": " << fixed(s.t_max, 6)
    << ", \"wavelength_angstrom\": " << fixed(c.wavelength, 6);
  if (!s.fit.cap.empty) {
    const auto& u = s.fit.uvw.indices;
    const auto& h = s.fit.hkl.indices;
    o << ", \"fitted_axis\": {\"uvw\": [" << u[0] << ", " << u[1] << ", " << u[2]
      << "], \"uvw_angle_deg\": " << fixed(s.fit.uvw.angle_deg, 4) << ", \"hkl\": [" << h[0] << ", " << h[1]
      << ", " << h[2] << "], \"hkl_angle_deg\": " << fixed(s.fit.hkl.angle_deg, 4)
      << ", \"angle_to_given_deg\": " << fixed(s.fit.angle_to_given_deg, 4)
      << ", \"half_angle_deg\": " << fixed(s.fit.cap.half_angle_deg, 4) << "}";
  }
  if (c.prepared.volume) {
    o << ", \"min_transmission\": " << fixed(c.min_transmission, 6) << ", \"t_axis\": " << fixed(c.prepared.t_axis, 6)
      << ", \"shadowed\": " << s.shadowed << ", \"partly_shadowed\": " << s.partly_shadowed;
    if (c.dac.gasket) {
      const auto up = side_angles(c, true), down = side_angles(c, false);
      o << ", \"shadow_onset_deg\": {\"plus\": " << fixed(up.onset_deg, 4) << ", \"minus\": " << fixed(down.onset_deg, 4)
        << "}, \"shadow_full_deg\": {\"plus\": " << fixed(up.full_deg, 4) << ", \"minus\": " << fixed(down.full_deg, 4)
        << "}";
    }
  }
  o << ", \"materials\": [";
  bool first = true;
  for (const Material& m : materials(c)) {
    o << (first ? "" : ", ") << "{\"where\": " << json_string(m.where) << ", \"formula\": " << json_string(m.formula)
      << ", \"density_g_cm3\": " << fixed(m.density, 4) << ", \"thickness_mm\": " << fixed(m.thickness, 4)
      << ", \"mu_per_mm\": " << fixed(m.mu, 6) << "}";
    first = false;
  }
  o << "]}\n";
  return o.str();
}

}  // namespace zirel::correct
