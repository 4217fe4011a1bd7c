#include "geometry/bounds.h"

#include <algorithm>
#include <limits>

#include "geometry/plane_side.h"

namespace pw {

Bounds Bounds::empty() {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  return {{kInf, kInf, kInf}, {-kInf, -kInf, -kInf}};
}

void Bounds::grow(const Point3& p) {
  min = {std::min(min.x, p.x), std::min(min.y, p.y), std::min(min.z, p.z)};
  max = {std::max(max.x, p.x), std::max(max.y, p.y), std::max(max.z, p.z)};
}

bool Bounds::meets(const Bounds& other) const {
  return other.min.x - max.x <= kPlaneTolerance && min.x - other.max.x <= kPlaneTolerance &&
         other.min.y - max.y <= kPlaneTolerance && min.y - other.max.y <= kPlaneTolerance &&
         other.min.z - max.z <= kPlaneTolerance && min.z - other.max.z <= kPlaneTolerance;
}

Bounds boundsOf(std::span<const Point3> points) {
  Bounds box{points[0], points[0]};
  for (const Point3& p : points) box.grow(p);
  return box;
}

}  // namespace pw
