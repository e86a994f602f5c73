// Dialog units: a horizontal unit is a quarter of the form font's average
// character width, a vertical unit an eighth of its height. The average width
// is taken over the 52 letters A-Z a-z and rounded the way the platform the
// template format comes from does it, so layouts keep their proportions.
#pragma once

#include "dialog/form_template.h"

#include <QFont>
#include <QRect>

namespace zirel {

struct BaseUnits {
  int cx = 0;  // average character width, pixels
  int cy = 0;  // font height, pixels
};

// a * b / c rounded to the nearest integer, halves away from zero.
int mul_div(int a, int b, int c);

// The template's font at the reference resolution of 96 pixels per inch.
QFont template_font(const FontTemplate& font);

BaseUnits measure_base_units(const QFont& font);

// Position and size scaled separately, as the controls are created.
QRect scale_rect(int x, int y, int width, int height, BaseUnits units);

}  // namespace zirel
