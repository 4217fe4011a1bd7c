#include "geometry/plane.h"

#include <algorithm>

#include "geometry/plane_side.h"

namespace pw {

bool liesInPlane(const Plane& plane, std::span<const Point3> points) {
  return std::all_of(points.begin(), points.end(),
                     [&plane](const Point3& p) { return sideOfDistance(plane.distance(p)) == PointSide::OnPlane; });
}

}  // namespace pw
