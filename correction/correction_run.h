// The correction run: reflections one at a time from a SHELX source with cosines, each
// checked, tested against the opening and corrected, the kept ones written to a sink;
// the counts and the fitted axis for the report. Memory stays flat: only the corners of
// the beams' hull are kept.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include "correction/enclosing_cap.h"
#include "correction/reflection_correction.h"
#include "filtering/reflection_stream.h"

namespace zirel::correction {

struct FittedAxis {
  Cap cap;                       // in the crystal's Cartesian frame
  planning::NearestLattice uvw, hkl;  // nearest [U V W] and (h k l), with the angle to each
  double angle_to_given_deg = 0;
  int64_t beams_used = 0;
  int64_t beams_outside = 0;     // 84 degrees or more from the axis given: left out of the fit
};

struct CorrectionSummary {
  int64_t records_read = 0;       // with the terminator, as zirel-batch counts
  int64_t reflections = 0;        // records before the terminator
  int64_t written = 0;
  int64_t corrected = 0;          // kept and corrected
  int64_t kept_unchecked = 0;     // failing the check, written unchanged (--keep-unchecked)
  int64_t too_large = 0;          // corrected value too wide for its field: left out
  int64_t no_cosines = 0;
  int64_t unreadable_cosines = 0;
  int64_t not_unit = 0;
  int64_t wrong_angle = 0;
  int64_t blocked = 0;            // checked, but a beam beyond the opening
  int64_t shadowed = 0;           // passed the opening, but T below --min-transmission: left out
  int64_t partly_shadowed = 0;    // kept, a path from part of the crystal crosses the gasket
  int64_t blocked_plus = 0;       // a beam blocked on the + side
  int64_t blocked_minus = 0;
  int64_t idealised_only = 0;     // the idealised rule keeps it, its real beams were blocked
  int64_t measured_only = 0;      // its real beams passed, the idealised rule leaves it out
  double t_min = 0, t_max = 0;    // over the corrected reflections
  // Of the failing records, how many would pass read another way: the diagnosis.
  int64_t pass_as_direct = 0;     // cosines relative to the direct axes a, b, c
  int64_t pass_as_grouped = 0;    // the order in.a in.b in.c out.a out.b out.c
  FittedAxis fit;
  bool run_failed = false;        // a record could not be read
  int64_t failed_after = 0;       // records read before it
  int64_t checked_failures() const { return no_cosines + unreadable_cosines + not_unit + wrong_angle; }
};

// A reflection whose factor is below a tenth of the on-axis one has lost nine tenths of
// its signal to the cell; its corrected intensity then hangs on the gasket's exact edge
// (hole and thickness known to a few micrometres) more than on the count.
inline constexpr double DEFAULT_MIN_TRANSMISSION = 0.1;

struct CorrectionOptions {
  bool keep_unchecked = false;
  double min_transmission = DEFAULT_MIN_TRANSMISSION;  // a fraction of PreparedCorrection::t_axis
  // Called with every reflection that passed the cosine check, kept or not (its beams are
  // then in the cell's frame, pointing away from the crystal): the picture's dots.
  std::function<void(const ReflectionCorrection&)> on_checked = nullptr;
};

CorrectionSummary run_correction(const PreparedCorrection& p, ReflectionSource& source, ReflectionSink& sink,
                                 const CorrectionOptions& options);

// Whether most reflections failed the check, and if so what is likely wrong, in words.
std::optional<std::string> most_fail(const CorrectionSummary& s);

}  // namespace zirel::correction
