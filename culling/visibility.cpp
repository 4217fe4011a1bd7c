#include "culling/visibility.h"

#include <cstdint>

#include "cells/open_links.h"
#include "portal/portal.h"

namespace pw {
namespace {

// Outside when N . e > 0, summed y, z, x; exactly 0 is inside.
bool outside(const SidePlane& plane, const Point3& e) {
  return e.y * plane.normal.y + e.z * plane.normal.z + e.x * plane.normal.x > 0.0;
}

}  // namespace

bool pointsInView(std::span<const Point3> points, const ViewPyramid& view) {
  std::uint32_t common = 15;
  bool allBehindEye = true;
  for (const Point3& point : points) {
    const auto v = view.modelView().transform({point.x, point.y, point.z, 1.0});
    const Point3 e{v[0], v[1], v[2]};
    // The eye looks along -z; a point with z exactly 0 keeps the set in play.
    allBehindEye = allBehindEye && e.z > 0.0;
    std::uint32_t mask = 0;
    for (const SidePlane& plane : view.sides()) {
      if (outside(plane, e)) mask |= plane.bit;
    }
    common &= mask;
    // No plane has them all outside and one is before the eye: the rest
    // cannot change that.
    if (common == 0 && !allBehindEye) return true;
  }
  return false;
}

bool triangleInView(const PortalTriangle& triangle, const ViewPyramid& view) {
  return pointsInView(triangle.vertices, view);
}

bool isVisible(const Portal& fragment, const ViewPyramid& view) {
  if (fragment.triangleCount() == 0) return false;
  if (const PortalTriangle* facing = fragment.facingTriangle()) {
    const auto& v = facing->vertices;
    const Point3 d = v[0] - view.eye();
    const Point3 n = cross(v[1] - v[0], v[2] - v[0]);
    // Summed z, y, x; no tolerance.
    if (d.z * n.z + d.y * n.y + d.x * n.x > 0.0) return false;
  }
  for (const PortalTriangle& triangle : fragment.triangles()) {
    if (triangleInView(triangle, view)) return true;
  }
  return false;
}

bool isVisible(const OpenLink& link, const ViewPyramid& view) {
  if (sideOfDistance(link.plane.distance(view.eye())) == PointSide::Behind) return false;
  return pointsInView(link.corners, view);
}

}  // namespace pw
