// Path lengths from a point inside the crystal along a beam (a unit vector pointing
// away from the crystal), by exact ray-cylinder, ray-plane and ray-slab intersections.
#pragma once

#include "correction/volume/geometry.h"

namespace zirel::correction {

// The length from (x, y) in the hole, at any height, along u to the hole's cylinder
// wall; infinite for a beam along the axis.
double wall_distance(const PreparedVolume& v, double x, double y, const Vec3& u);

// The length inside the gasket: the beam leaves the hole's cylinder wall and runs in
// the gasket until it reaches the culet plane on its side (z = chamber for u.z > 0,
// z = 0 for u.z < 0); 0 when it reaches that plane still inside the hole, infinite
// for a beam parallel to the culets that meets the wall. 0 without a gasket.
double gasket_path(const PreparedVolume& v, const Vec3& p, const Vec3& u);

// The length from p to the crystal's boundary (0 for a point crystal or none).
double crystal_path(const PreparedVolume& v, const Vec3& p, const Vec3& u);

// The length from a point of the crystal's own plane (X, Y about its centre, edge a along
// X) along u, given in the same frame, to its side: a plate's rim or a box's four side
// faces, the flat faces left out. It does not depend on the height. Infinite for a beam
// along the axis, 0 without a plate or box.
double side_path(const PreparedVolume& v, double X, double Y, const Vec3& u);

// Whether the crystal path is linear in p near p: always for a box (a plane is left),
// for a plate when the path leaves by a flat face rather than the rim (then it does
// not depend on x and y at all).
bool crystal_path_is_linear(const PreparedVolume& v, const Vec3& p, const Vec3& u);

// mu_g L_g + mu_c L_c of one path, infinite when an opaque gasket is crossed; with
// `gasket` false the wall is left out (for a beam known to meet it from nowhere).
double path_exponent(const PreparedVolume& v, const Vec3& p, const Vec3& u, bool gasket = true);

// exp(-mu_g L_g - mu_c L_c) of one path; an opaque gasket crossed gives 0.
double path_transmission(const PreparedVolume& v, const Vec3& p, const Vec3& u);

}  // namespace zirel::correction
