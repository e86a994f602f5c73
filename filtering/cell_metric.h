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

// A cell that passes the determinant test can still be no cell at all.
inline constexpr std::string_view CELL_EDGES_MESSAGE = "UNIT CELL EDGES MUST BE POSITIVE";
inline constexpr std::string_view CELL_ANGLES_MESSAGE = "UNIT CELL ANGLES DO NOT FORM A CELL";
// (V / abc)^2 at or below this: the angles close no cell (flat, or impossible such as
// alpha + beta < gamma). No real crystal comes near it; a cell of 90, 90, 0.06 degrees does.
inline constexpr double MIN_NORMALISED_VOLUME_SQUARED = 1.0e-6;

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

// (V / abc)^2 = 1 - cos^2 alpha - cos^2 beta - cos^2 gamma + 2 cos alpha cos beta cos gamma,
// in double from the angles in degrees (International Tables Vol. B, 1.1.2).
double normalised_volume_squared(const UnitCell& cell);

// The cell's volume in A^3, in double; meaningful only for a cell whose edges are
// positive and whose angles form a cell.
double cell_volume(const UnitCell& cell);

// All three edges above 0 (a NaN is not).
bool edges_positive(const UnitCell& cell);

// Each angle strictly between 0 and 180 degrees, and (V / abc)^2 above
// MIN_NORMALISED_VOLUME_SQUARED.
bool angles_form_cell(const UnitCell& cell);

// Length in angstroms of v1 a + v2 b + v3 c.
float direct_length(const CellMetric& metric, const Vec3& v);

// Scalar product of the reciprocal-lattice vectors p and q, in A^-2.
float reciprocal_product(const CellMetric& metric, const Vec3& p, const Vec3& q);

// Interplanar spacing of (h k l), 1 / sqrt(h G* h). Never called with 0 0 0.
float d_spacing(const CellMetric& metric, const Vec3& h);

}  // namespace zirel
