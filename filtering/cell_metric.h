#pragma once
#include <string_view>
#include "filtering/metric_tensor.h"
#include "filtering/unit_cell.h"

namespace zirel {

// Degrees to radians, the single-precision value 0.017453292 (exactly 0.01745329238474369).
inline constexpr float RAD_PER_DEG = 0.017453292f;

// Absolute bound on det G (angstrom^6) below which a cell counts as singular.
inline constexpr float METRIC_TOLERANCE = 1.0e-7f;

inline constexpr std::string_view SINGULAR_CELL_MESSAGE =
    "SINGULAR UNIT CELL: DETERMINANT OF METRIC TENSOR IS ZERO";
// Text before the determinant (written F10.4) on the console report of a singular cell.
inline constexpr std::string_view DETERMINANT_LABEL = "   Determinant of Metric tensor = ";

struct Inversion {
  MetricTensor inverse;      // all zero when singular
  float determinant = 0.0f;  // 0 when singular
  bool singular = false;
};

// Direct metric G, reciprocal metric G* = G^-1 and det G of one cell.
// When `singular` is set the cell cannot be used: G* is all zero and determinant is 0.
struct CellMetric {
  MetricTensor g;
  MetricTensor g_star;
  float determinant = 0.0f;
  bool singular = false;
};

// Inverts in double precision with cyclic cofactors; the determinant is expanded
// along the third row. Singular when |det| < tolerance.
Inversion invert_matrix3(const MetricTensor& a, float tolerance);

// Also reports a cell as singular when its metric or inverse does not fit in single
// precision (an edge beyond ~1e19 A, or a NaN parameter): nothing could be computed from it.
// A determinant beyond the float range (edges over ~2.6e6 A) is reported as infinity.
CellMetric build_metric(const UnitCell& cell);

// Length in angstroms of v1 a + v2 b + v3 c.
float direct_length(const CellMetric& metric, const Vec3& v);

// Scalar product of the reciprocal-lattice vectors p and q, in A^-2.
float reciprocal_product(const CellMetric& metric, const Vec3& p, const Vec3& q);

// Interplanar spacing of (h k l), 1 / sqrt(h G* h). Never called with 0 0 0.
float d_spacing(const CellMetric& metric, const Vec3& h);

}  // namespace zirel
