// Points, directed segments and the plane-side codes shared by every
// geometric decision of the build, the renderer and the logs.
#pragma once

#include <cmath>
#include <cstdint>

namespace pw {

// A position, direction or normal. All geometric arithmetic is in 64-bit
// floating point; OBJ input is read as 32-bit floats and widened.
struct Point3 {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;

  // The unit vector in the same direction; the zero vector stays zero.
  // Multiplies by one reciprocal (not three divisions): results are bit-exact
  // contract, so keep that form.
  Point3 normalized() const {
    const double len = std::sqrt(x * x + y * y + z * z);
    if (len == 0.0) return *this;
    const double r = 1.0 / len;
    return {x * r, y * r, z * r};
  }
};

inline Point3 operator+(const Point3& a, const Point3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Point3 operator-(const Point3& a, const Point3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Point3 operator*(double s, const Point3& a) { return {s * a.x, s * a.y, s * a.z}; }

// Summed x, then y, then z: the order every plane test relies on.
inline double dot(const Point3& a, const Point3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

inline Point3 cross(const Point3& a, const Point3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// Exact lexicographic order on x, y, z. Two points are the same when neither
// is less than the other, so 0 and -0 are one point.
inline bool operator<(const Point3& a, const Point3& b) {
  if (a.x != b.x) return a.x < b.x;
  if (a.y != b.y) return a.y < b.y;
  return a.z < b.z;
}

// Componentwise exact equality (0 == -0).
inline bool samePoint(const Point3& a, const Point3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

// A directed segment from `first` to `second`.
struct PointPair {
  Point3 first;
  Point3 second;
};

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
