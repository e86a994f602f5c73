// The narrowest cone about the cell's axis that holds every beam of a data set: the
// smallest spherical cap enclosing unit vectors, computed in constant memory.
//
// How: the beams lie within a hemisphere about the axis given (they passed the cell), so
// the gnomonic projection onto the plane tangent there maps them to points of a plane and
// great circles to straight lines: the spherical convex hull becomes a planar convex hull.
// Only the hull's corners can lie on the rim of the smallest cap, so the stream keeps the
// planar hull (Andrew's monotone chain, Inf. Proc. Lett. 9 (1979) 216), merged with each
// batch of new points. At the end Welzl's randomised algorithm (Lecture Notes in Computer
// Science 555 (1991) 359, in the iterative form of de Berg et al., Computational Geometry,
// 3rd ed., 4.7) finds the cap on the corners: a cap is fixed by two points on its rim
// (centre the normalised midpoint) or three (centre the normal of their plane).
#pragma once

#include <cstdint>
#include <vector>
#include "planning/cartesian.h"

namespace zirel::correction {

using planning::Vec3d;

struct Cap {
  Vec3d centre{};         // unit vector
  double half_angle_deg = 0;
  bool empty = true;      // no point was given
};

// Welzl's algorithm on unit vectors that lie within an open hemisphere.
Cap smallest_enclosing_cap(std::vector<Vec3d> points);

class CapAccumulator {
public:
  // The projection's pole is the mean of the first points; points at 84 degrees or more
  // from it are not projected (counted: no cell lets such a spread through).
  CapAccumulator() = default;
  void add(const Vec3d& unit);
  Cap result();
  int64_t outside_hemisphere() const { return outside_; }

private:
  struct P {
    double x, y;
  };
  void merge();
  bool inside_hull(const P& q) const;
  void set_inner_disc();
  void set_pole();
  void project(const Vec3d& unit);
  std::vector<Vec3d> first_;
  bool projecting_ = false;
  Vec3d pole_{}, e1_{}, e2_{};
  std::vector<P> hull_, pending_;
  P inner_{0, 0};        // a disc strictly inside the hull, for a quick answer
  double inner_r2_ = 0;  // its radius squared; 0: none
  int64_t outside_ = 0;
};

}  // namespace zirel::correction
