// The picture of a correction: for each side of the cell an equal-area projection
// centred on the cell's axis, coloured by the transmission of a single beam leaving that
// way, with the opening and the gasket's shadow as circles and the measured beams as dots.
#pragma once

#include <string>
#include "correction/transmission_map.h"
#include "planning/pictures/svg_writer.h"

namespace zirel::correction {

struct TransmissionPicture {
  const TransmissionMap* map = nullptr;
  std::string title;     // what is drawn, the wavelength: one line
  std::string subtitle;  // the cell, one line
  std::string plus_label, minus_label;  // "+[0 0 1] side: piston"
};

// Both panels share one rim, a few degrees beyond the wider opening and the steepest
// measured beam; the blocked ring between opening and rim is grey. The colour scale
// spans the transmissions drawn, on round numbers.
planning::SvgDocument draw_transmission(const TransmissionPicture& picture);

}  // namespace zirel::correction
