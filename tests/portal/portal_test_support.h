// Shared pieces of the portal tests: a cutter plane and small geometric
// measures of a portal.
#pragma once

#include <cmath>

#include "portal/portal.h"
#include "scene/scene.h"
#include "tests/helpers/scratch_dir.h"

namespace pw::testing_support {

// A Scene holding one triangle, to be used as a cutter: corners anchor,
// anchor + u, anchor + v, so its plane normal is normalized(u x v).
class CutterPlane {
 public:
  CutterPlane(const Point3& anchor, const Point3& u, const Point3& v) {
    const std::int32_t a = scene_.addVertex(anchor);
    const std::int32_t b = scene_.addVertex(anchor + u);
    const std::int32_t c = scene_.addVertex(anchor + v);
    const std::int32_t n = scene_.addNormal({0, 0, 1});
    index_ = scene_.addTriangle(a, b, c, n, n, n);
  }
  // The plane z = 0, front towards +z.
  static CutterPlane zZero() { return CutterPlane({0, 0, 0}, {1, 0, 0}, {0, 1, 0}); }

  const Triangle& cutter() const { return scene_.triangle(index_); }
  const Scene& scene() const { return scene_; }

 private:
  Scene scene_;
  std::int32_t index_ = 0;
};

inline bool samePoints(const std::array<Point3, 3>& a, const std::array<Point3, 3>& b) {
  return samePoint(a[0], b[0]) && samePoint(a[1], b[1]) && samePoint(a[2], b[2]);
}

// Twice the signed area of a portal triangle seen from the side `normal`
// points to: positive for counter-clockwise.
inline double doubleSignedArea(const PortalTriangle& t, const Point3& normal) {
  return dot(cross(t.vertices[1] - t.vertices[0], t.vertices[2] - t.vertices[0]), normal);
}

inline double portalArea(const Portal& portal, const Point3& normal) {
  double sum = 0.0;
  for (const PortalTriangle& t : portal.triangles()) sum += std::abs(doubleSignedArea(t, normal)) / 2.0;
  return sum;
}

}  // namespace pw::testing_support
