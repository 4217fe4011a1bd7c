// A face of the Scene and the plane-side tests made against its plane.
#pragma once

#include <array>
#include <cstdint>

#include "geometry/point3.h"
#include "geometry/plane_side.h"

namespace pw {

class Scene;

// Three corners against a plane: how many lie in front and on the plane, and
// the last corner (0, 1 or 2) seen of each kind, -1 when there is none. The
// splitters of triangles and of portal fragments pick their case from it.
struct CornerTally {
  int front = 0;
  int onPlane = 0;
  int lastFront = -1;
  int lastOnPlane = -1;
  int lastBehind = -1;
};

// Three corners given by 0-based Scene vertex and normal indices, plus the
// unit plane normal (the zero vector for a degenerate triangle).
//
// The plane passes through the position of corner 0 and its front is the side
// the plane normal points to. The anchor is fetched from the Scene at every
// test (no plane offset is cached), so a triangle is only meaningful together
// with the Scene that holds its vertices.
class Triangle {
 public:
  Triangle(const Scene* scene, std::array<std::int32_t, 3> vertexIndices,
           std::array<std::int32_t, 3> normalIndices, const Point3& planeNormal)
      : vertexIndices_(vertexIndices), normalIndices_(normalIndices), scene_(scene), planeNormal_(planeNormal) {}
  std::int32_t normalIndex(int corner) const { return normalIndices_[corner]; }
  const Point3& planeNormal() const { return planeNormal_; }
  std::int32_t vertexIndex(int corner) const { return vertexIndices_[corner]; }
  const Scene* scene() const { return scene_; }

  // d(q) = (q - p0) . n, in 64-bit floating point.
  double signedDistance(const Point3& q) const;
  PointSide classifyPoint(const Point3& q) const;
  // Corners 0, 1, 2 of `other` against this plane.
  PolygonSide classifyTriangle(const Triangle& other) const;
  // Three free corners (a portal triangle's) against this plane.
  PolygonSide classifyPortal(const std::array<Point3, 3>& corners) const;
  // classifyPoint of corners 0, 1, 2 in that order, tallied.
  CornerTally tallyCorners(const std::array<Point3, 3>& corners) const;
  // Fraction of the way from a to b at which their line meets this plane:
  // ((p0 - a) . n) / ((b - a) . n). Only meant for ends strictly on opposite
  // sides of the plane, where the denominator is at least 0.0002 in magnitude.
  double intersectionParameter(const Point3& a, const Point3& b) const;

 private:
  const Point3& anchor() const;

  std::array<std::int32_t, 3> vertexIndices_;
  std::array<std::int32_t, 3> normalIndices_;
  const Scene* scene_;
  Point3 planeNormal_;
};

}  // namespace pw
