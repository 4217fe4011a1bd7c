// An oriented plane in 64-bit floating point.
#pragma once

#include <span>

#include "geometry/point3.h"

namespace pw {

// The plane through `anchor` perpendicular to the unit vector `normal`; its
// front is the side `normal` points to.
struct Plane {
  Point3 normal;
  Point3 anchor;

  // Summed as the build's own side tests sum it: (q - anchor) . normal.
  double distance(const Point3& q) const { return dot(q - anchor, normal); }
  Plane flipped() const { return {-1.0 * normal, anchor}; }
};

// Whether every point lies within the plane tolerance of `plane`.
bool liesInPlane(const Plane& plane, std::span<const Point3> points);

}  // namespace pw
