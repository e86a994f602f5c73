// zirel-correct --svg: the picture's words (the axis, the sides' names, the wavelength)
// around the transmission map the correction library computes.
#pragma once

#include <string>
#include "correction/dac_description.h"
#include "correction/transmission_map.h"
#include "filtering/run_settings.h"

namespace zirel::correct {

// The whole SVG text of the picture.
std::string picture_svg(const correction::TransmissionMap& map, const correction::DacDescription& dac,
                        const RunSettings& settings);

}  // namespace zirel::correct
