// Points and vectors in 64-bit floating point: the arithmetic every
// geometric decision of the build, the renderer and the logs is made of.
#pragma once

#include <cmath>

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

}  // namespace pw
