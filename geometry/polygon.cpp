#include "geometry/polygon.h"

#include <array>
#include <cmath>
#include <utility>
#include <vector>

#include "geometry/plane_side.h"

namespace pw {

PolygonSplit splitPolygon(const Polygon& polygon, const Plane& plane) {
  // Most polygons split here are small: their distances stay on the stack.
  std::array<double, 16> onStack;
  std::vector<double> onHeap(polygon.size() > onStack.size() ? polygon.size() : 0);
  double* const distances = onHeap.empty() ? onStack.data() : onHeap.data();
  bool anyFront = false;
  bool anyBehind = false;
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    distances[i] = plane.distance(polygon[i]);
    anyFront = anyFront || sideOfDistance(distances[i]) == PointSide::Front;
    anyBehind = anyBehind || sideOfDistance(distances[i]) == PointSide::Behind;
  }
  PolygonSplit split;
  if (!anyFront && !anyBehind) {
    split.coplanar = true;
    return split;
  }
  if (!anyBehind) {
    split.front = polygon;
    return split;
  }
  if (!anyFront) {
    split.behind = polygon;
    return split;
  }
  // Each part holds at most every corner and the two crossings.
  split.front.reserve(polygon.size() + 2);
  split.behind.reserve(polygon.size() + 2);
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    const std::size_t j = (i + 1) % polygon.size();
    const PointSide side = sideOfDistance(distances[i]);
    if (side != PointSide::Behind) split.front.push_back(polygon[i]);
    if (side != PointSide::Front) split.behind.push_back(polygon[i]);
    const PointSide next = sideOfDistance(distances[j]);
    // An edge crosses only between a corner clearly in front and one
    // clearly behind; corners on the plane are already in both parts.
    if ((side == PointSide::Front && next == PointSide::Behind) ||
        (side == PointSide::Behind && next == PointSide::Front)) {
      const double t = distances[i] / (distances[i] - distances[j]);
      const Point3 crossing = polygon[i] + t * (polygon[j] - polygon[i]);
      split.front.push_back(crossing);
      split.behind.push_back(crossing);
    }
  }
  return split;
}

Polygon clipToFront(const Polygon& polygon, const Plane& plane) {
  PolygonSplit split = splitPolygon(polygon, plane);
  return split.coplanar ? polygon : std::move(split.front);
}

Polygon squareOnPlane(const Plane& plane, const Point3& centre, double halfSide) {
  const Point3& n = plane.normal;
  // Any axis not parallel to the normal gives a first direction in the plane.
  const Point3 axis = std::abs(n.x) < 0.5 ? Point3{1.0, 0.0, 0.0} : Point3{0.0, 1.0, 0.0};
  const Point3 u = cross(n, axis).normalized();
  const Point3 v = cross(n, u);  // (u, v, n) right-handed: counter-clockwise around n
  const Point3 c = centre - plane.distance(centre) * n;
  return {c - halfSide * u - halfSide * v, c + halfSide * u - halfSide * v, c + halfSide * u + halfSide * v,
          c - halfSide * u + halfSide * v};
}

Point3 areaVector(const Polygon& polygon) {
  // Relative to the first corner, so that a polygon far from the origin
  // keeps its precision.
  Point3 sum;
  for (std::size_t i = 1; i + 1 < polygon.size(); ++i) {
    sum = sum + cross(polygon[i] - polygon[0], polygon[i + 1] - polygon[0]);
  }
  return sum;
}

double polygonWidth(const Polygon& polygon) {
  const Point3 a = areaVector(polygon);
  double boundary = 0.0;
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    const Point3 edge = polygon[(i + 1) % polygon.size()] - polygon[i];
    boundary += std::sqrt(dot(edge, edge));
  }
  // areaVector is twice the area.
  return boundary > 0.0 ? std::sqrt(dot(a, a)) / boundary : 0.0;
}

Point3 cornerMean(const std::vector<Point3>& points) {
  Point3 sum;
  for (const Point3& p : points) sum = sum + p;
  return (1.0 / static_cast<double>(points.size())) * sum;
}

}  // namespace pw
