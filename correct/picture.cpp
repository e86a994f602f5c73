#include "correct/picture.h"

#include "correction/pictures/transmission_svg.h"

namespace zirel::correct {

namespace {

using planning::svg_number;

// "[0 0 1]" for a direction (--uvw), "(0 0 1) normal" for a plane's normal (--hkl).
std::string axis_text(const RunSettings& s) {
  const std::string inside = svg_number(s.axis[0], 3) + " " + svg_number(s.axis[1], 3) + " " + svg_number(s.axis[2], 3);
  return s.axis_kind == AxisKind::UVW ? "[" + inside + "]" : "(" + inside + ") normal";
}

std::string what_lies_between(const correction::DacDescription& dac) {
  std::string parts = "anvils";
  if (dac.plus.backing_plate || dac.minus.backing_plate)
    parts += ", backing plates";
  if (dac.gasket)
    parts += dac.gasket->opaque ? ", the opaque gasket" : ", the gasket (" + dac.gasket->layer.material + ")";
  if (dac.crystal)
    parts += dac.crystal->material.empty() ? ", over the crystal's volume"
                                           : ", the crystal (" + dac.crystal->material + ") over its volume";
  return parts;
}

}  // namespace

std::string picture_svg(const correction::TransmissionMap& map, const correction::DacDescription& dac,
                        const RunSettings& settings) {
  const std::string axis = axis_text(settings);
  correction::TransmissionPicture picture;
  picture.map = &map;
  picture.title = "Transmission of a single beam through the cell, wavelength " +
                  svg_number(settings.wavelength, 5) + " Å";
  picture.subtitle = "Through the " + what_lies_between(dac) + "; the cell's axis " + axis + "; opening " +
                     svg_number(map.plus.opening_deg, 1) + "° (+ side), " + svg_number(map.minus.opening_deg, 1) +
                     "° (− side)";
  picture.plus_label = "+" + axis + " side: " + dac.plus.name;
  picture.minus_label = "−" + axis + " side: " + dac.minus.name;
  return planning::svg_finish(correction::draw_transmission(picture));
}

}  // namespace zirel::correct
