#include "dialog/qt/dialog_units.h"

#include <QFontMetrics>
#include <cstdint>

namespace zirel {

int mul_div(int a, int b, int c) {
  std::int64_t p = std::int64_t(a) * b;
  std::int64_t half = c / 2;
  return int(p >= 0 ? (p + half) / c : (p - half) / c);
}

QFont template_font(const FontTemplate& font) {
  QFont f(QString::fromUtf8(font.face.data(), qsizetype(font.face.size())));
  f.setPixelSize(mul_div(font.point_size, 96, 72));
  f.setWeight(font.weight >= 600 ? QFont::Bold : QFont::Normal);
  f.setItalic(font.italic);
  return f;
}

BaseUnits measure_base_units(const QFont& font) {
  QFontMetrics m(font);
  int total = m.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return {(total / 26 + 1) / 2, m.height()};
}

QRect scale_rect(int x, int y, int width, int height, BaseUnits u) {
  return {mul_div(x, u.cx, 4), mul_div(y, u.cy, 8), mul_div(width, u.cx, 4), mul_div(height, u.cy, 8)};
}

}  // namespace zirel
