#include "geometry/triangle_normal.h"

namespace pw {

Point3 triangleNormal(const Point3& p0, const Point3& p1, const Point3& p2) {
  return cross(p1 - p0, p2 - p0).normalized();
}

}  // namespace pw
