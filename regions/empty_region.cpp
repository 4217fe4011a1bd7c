#include "regions/empty_region.h"

#include <algorithm>
#include <limits>

#include "geometry/plane_side.h"

namespace pw {

double EmptyRegion::depthOf(const Point3& point) const {
  double depth = std::numeric_limits<double>::infinity();
  for (const Plane& side : sides) depth = std::min(depth, side.distance(point));
  return depth;
}

bool EmptyRegion::mayMeet(std::span<const Point3> points) const {
  return std::all_of(sides.begin(), sides.end(), [points](const Plane& side) {
    return std::any_of(points.begin(), points.end(),
                       [&side](const Point3& p) { return side.distance(p) >= -kPlaneTolerance; });
  });
}

}  // namespace pw
