#include "scene/triangle.h"

#include "scene/scene.h"

namespace pw {

const Point3& Triangle::anchor() const { return scene_->vertex(vertexIndices_[0]); }

double Triangle::signedDistance(const Point3& q) const { return dot(q - anchor(), planeNormal_); }

PointSide Triangle::classifyPoint(const Point3& q) const { return sideOfDistance(signedDistance(q)); }

namespace {

template <typename CornerAt>
PolygonSide classifyCorners(const Triangle& plane, CornerAt cornerAt) {
  int front = 0;
  int behind = 0;
  for (int k = 0; k < 3; ++k) {
    const PointSide side = plane.classifyPoint(cornerAt(k));
    front += side == PointSide::Front;
    behind += side == PointSide::Behind;
  }
  return polygonSideOf(front, behind);
}

}  // namespace

PolygonSide Triangle::classifyTriangle(const Triangle& other) const {
  return classifyCorners(*this, [&](int k) -> const Point3& { return scene_->vertex(other.vertexIndex(k)); });
}

PolygonSide Triangle::classifyPortal(const std::array<Point3, 3>& corners) const {
  return classifyCorners(*this, [&](int k) -> const Point3& { return corners[static_cast<std::size_t>(k)]; });
}

CornerTally Triangle::tallyCorners(const std::array<Point3, 3>& corners) const {
  CornerTally sides;
  for (int k = 0; k < 3; ++k) {
    switch (classifyPoint(corners[static_cast<std::size_t>(k)])) {
      case PointSide::Front:
        ++sides.front;
        sides.lastFront = k;
        break;
      case PointSide::OnPlane:
        ++sides.onPlane;
        sides.lastOnPlane = k;
        break;
      case PointSide::Behind:
        sides.lastBehind = k;
        break;
    }
  }
  return sides;
}

double Triangle::intersectionParameter(const Point3& a, const Point3& b) const {
  return dot(anchor() - a, planeNormal_) / dot(b - a, planeNormal_);
}

}  // namespace pw
