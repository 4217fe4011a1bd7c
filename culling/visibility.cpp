#include "culling/visibility.h"

#include <cmath>
#include <cstdint>

#include "cells/open_links.h"
#include "portal/portal.h"

namespace pw {
namespace {

// Degrees to radians and halved in one step.
constexpr double kPiOver360 = 0.008726646259971648;

struct SidePlane {
  Point3 normal;
  std::uint32_t bit;
};

// Outside when N . e > 0, summed y, z, x; exactly 0 is inside.
bool outside(const SidePlane& plane, const Point3& e) {
  return e.y * plane.normal.y + e.z * plane.normal.z + e.x * plane.normal.x > 0.0;
}

}  // namespace

std::array<double, 4> Matrix4::transform(const std::array<double, 4>& u) const {
  std::array<double, 4> result{};
  for (int r = 0; r < 4; ++r) {
    double sum = 0.0;
    for (int c = 0; c < 4; ++c) sum += m[static_cast<std::size_t>(4 * c + r)] * u[static_cast<std::size_t>(c)];
    result[static_cast<std::size_t>(r)] = sum;
  }
  return result;
}

ViewHalfAngles viewHalfAngles(float fieldOfView, float aspect) {
  // The product of the two floats is exact in double; the horizontal angle is
  // not the one whose tangent is tan(vertical) x aspect.
  return {static_cast<double>(fieldOfView) * kPiOver360,
          static_cast<double>(fieldOfView) * static_cast<double>(aspect) * kPiOver360};
}

bool pointsInView(std::span<const Point3> points, float fieldOfView, float aspect, const Matrix4& modelView) {
  const auto [a, h] = viewHalfAngles(fieldOfView, aspect);
  const SidePlane planes[] = {
      {{0.0, std::cos(a), std::sin(a)}, 1},   // top
      {{0.0, -std::cos(a), std::sin(a)}, 2},  // bottom
      {{-std::cos(h), 0.0, std::sin(h)}, 4},  // left
      {{std::cos(h), 0.0, std::sin(h)}, 8},   // right
  };
  std::uint32_t common = 15;
  bool allBehindEye = true;
  for (const Point3& point : points) {
    const auto v = modelView.transform({point.x, point.y, point.z, 1.0});
    const Point3 e{v[0], v[1], v[2]};
    // The eye looks along -z; a point with z exactly 0 keeps the set in play.
    allBehindEye = allBehindEye && e.z > 0.0;
    std::uint32_t mask = 0;
    for (const SidePlane& plane : planes) {
      if (outside(plane, e)) mask |= plane.bit;
    }
    common &= mask;
  }
  return !allBehindEye && common == 0;
}

bool triangleInView(const PortalTriangle& triangle, float fieldOfView, float aspect, const Matrix4& modelView) {
  return pointsInView(triangle.vertices, fieldOfView, aspect, modelView);
}

bool isVisible(const Portal& fragment, float fieldOfView, float aspect, const Matrix4& modelView,
               const Point3& eye) {
  if (fragment.triangleCount() == 0) return false;
  if (const PortalTriangle* facing = fragment.facingTriangle()) {
    const auto& v = facing->vertices;
    const Point3 d = v[0] - eye;
    const Point3 n = cross(v[1] - v[0], v[2] - v[0]);
    // Summed z, y, x; no tolerance.
    if (d.z * n.z + d.y * n.y + d.x * n.x > 0.0) return false;
  }
  for (const PortalTriangle& triangle : fragment.triangles()) {
    if (triangleInView(triangle, fieldOfView, aspect, modelView)) return true;
  }
  return false;
}

bool isVisible(const OpenLink& link, float fieldOfView, float aspect, const Matrix4& modelView, const Point3& eye) {
  if (sideOfDistance(link.plane.distance(eye)) == PointSide::Behind) return false;
  return pointsInView(link.corners, fieldOfView, aspect, modelView);
}

}  // namespace pw
