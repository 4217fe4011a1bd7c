// The unit normal of a triangle given by its corners.
#pragma once

#include "geometry/point3.h"

namespace pw {

// normalized((p1 - p0) x (p2 - p0)): the normal the corner order winds
// counter-clockwise around; the zero vector for a degenerate triangle. The
// Scene's plane normals and every mesh writer that must agree with them
// use this one form.
Point3 triangleNormal(const Point3& p0, const Point3& p1, const Point3& p2);

}  // namespace pw
