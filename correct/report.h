// zirel-correct's report: the status line in zirel-batch's form, then a summary a person
// reads (or one JSON object for scripts).
#pragma once

#include <string>
#include "correction/correction_run.h"
#include "correction/dac_description.h"

namespace zirel::correct {

struct ReportContext {
  const correction::PreparedCorrection& prepared;
  const correction::DacDescription& dac;
  double wavelength = 0;
  double psi_max = 0;  // the idealised rule's
  double min_transmission = 0;  // a fraction of the on-axis factor
};

std::string status_line(const correction::CorrectionSummary& s);
std::string summary_text(const correction::CorrectionSummary& s, const ReportContext& c);
// The CIF items of this step: a numerical correction, its range over the corrected
// reflections, and what was used (program, version, materials, thicknesses, mu).
std::string cif_lines(const correction::CorrectionSummary& s, const ReportContext& c);
std::string summary_json(const correction::CorrectionSummary& s, const ReportContext& c);

}  // namespace zirel::correct
