#include "filtering/cell_metric.h"

#include <cfloat>
#include <cmath>

namespace zirel {

// Every stored intermediate must be rounded to float, so float expressions must
// not be evaluated in a wider type (x87) behind our back.
static_assert(FLT_EVAL_METHOD == 0, "float arithmetic must round at every step");

namespace {

// t_i = sum_j M(i,j) v_j, then sum_i t_i w_i, each product and partial sum in float.
float quadratic_form(const MetricTensor& m, const Vec3& v, const Vec3& w) {
  Vec3 t{};
  for (int i = 0; i < 3; ++i) {
    float sum = 0.0f;
    for (int j = 0; j < 3; ++j)
      sum = sum + m(i, j) * v[j];
    t[i] = sum;
  }
  float s = 0.0f;
  for (int i = 0; i < 3; ++i)
    s = s + t[i] * w[i];
  return s;
}

bool all_finite(const MetricTensor& m) {
  for (const auto& row : m.m)
    for (float x : row)
      if (!std::isfinite(x))
        return false;
  return true;
}

}  // namespace

Inversion invert_matrix3(const MetricTensor& a, float tolerance) {
  auto at = [&a](int r, int c) { return static_cast<double>(a(r % 3, c % 3)); };
  double cof[3][3];
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      cof[r][c] = at(r + 1, c + 1) * at(r + 2, c + 2) - at(r + 1, c + 2) * at(r + 2, c + 1);
  double det = 0.0;
  for (int c = 0; c < 3; ++c)
    det = det + at(2, c) * cof[2][c];

  Inversion out;
  if (std::fabs(det) < static_cast<double>(tolerance)) {
    out.singular = true;
    return out;
  }
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      out.inverse(i, j) = static_cast<float>(cof[j][i] / det);
  out.determinant = static_cast<float>(det);
  return out;
}

CellMetric build_metric(const UnitCell& cell) {
  const float alpha = cell.alpha * RAD_PER_DEG;
  const float beta = cell.beta * RAD_PER_DEG;
  const float gamma = cell.gamma * RAD_PER_DEG;

  CellMetric out;
  MetricTensor& g = out.g;
  g(0, 0) = cell.a * cell.a;
  g(1, 1) = cell.b * cell.b;
  g(2, 2) = cell.c * cell.c;
  g(0, 1) = g(1, 0) = (cell.a * cell.b) * std::cos(gamma);
  g(0, 2) = g(2, 0) = (cell.a * cell.c) * std::cos(beta);
  g(1, 2) = g(2, 1) = (cell.b * cell.c) * std::cos(alpha);

  const Inversion inv = invert_matrix3(g, METRIC_TOLERANCE);
  const bool unusable = !all_finite(g) || !all_finite(inv.inverse) || std::isnan(inv.determinant);
  if (inv.singular || unusable) {
    out.singular = true;
    return out;  // G* zero, determinant reported as 0
  }
  out.g_star = inv.inverse;
  out.determinant = inv.determinant;
  return out;
}

float direct_length(const CellMetric& metric, const Vec3& v) {
  return std::sqrt(quadratic_form(metric.g, v, v));
}

float reciprocal_product(const CellMetric& metric, const Vec3& p, const Vec3& q) {
  return quadratic_form(metric.g_star, q, p);
}

float d_spacing(const CellMetric& metric, const Vec3& h) {
  return 1.0f / std::sqrt(reciprocal_product(metric, h, h));
}

}  // namespace zirel
