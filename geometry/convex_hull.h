// The convex hull of points in a plane, for pictures and view windows.
#pragma once

#include <vector>

#include "geometry/point2.h"

namespace pw {

// Counter-clockwise, without collinear corners (monotone chain); fewer than
// three corners when the points are collinear.
std::vector<Point2> convexHull(std::vector<Point2> points);

}  // namespace pw
