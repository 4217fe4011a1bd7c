// Which side of a plane a point or three points lie on, with the plane
// tolerance: the codes every plane test of the build reports.
#pragma once

#include <cstdint>

namespace pw {

// Points within this distance of a plane count as lying in it. Both bounds
// belong to the middle band.
inline constexpr double kPlaneTolerance = 0.0001;

// Side of one point against a plane. The values are part of the contract.
enum class PointSide : std::int32_t { Front = 0, OnPlane = 1, Behind = 2 };

// Side of three points together. The values are part of the contract:
// callers group them (4 and 5 are "behind", 0 and 2 go to the front list).
enum class PolygonSide : std::int32_t {
  Front = 0,           // F = 3, or F = 2 and B = 0
  FrontTouching = 1,   // F = 1, B = 0: two points on the plane, one in front
  Coplanar = 2,        // F = 0, B = 0
  Spanning = 3,        // F >= 1 and B >= 1
  BehindTouching = 4,  // F = 0, B = 1: two points on the plane, one behind
  Behind = 5,          // F = 0, B >= 2
};

// A NaN distance compares false both ways and so lands on the plane.
inline PointSide sideOfDistance(double d) {
  if (d > kPlaneTolerance) return PointSide::Front;
  if (d < -kPlaneTolerance) return PointSide::Behind;
  return PointSide::OnPlane;
}

// Maps the number of front (F) and behind (B) points of three to a side.
inline PolygonSide polygonSideOf(int front, int behind) {
  if (front >= 1 && behind >= 1) return PolygonSide::Spanning;
  if (behind == 0) {
    if (front >= 2) return PolygonSide::Front;
    return front == 1 ? PolygonSide::FrontTouching : PolygonSide::Coplanar;
  }
  return behind >= 2 ? PolygonSide::Behind : PolygonSide::BehindTouching;
}

}  // namespace pw
