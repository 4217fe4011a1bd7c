// The fast build's view of a node's candidates: cutter planes grouped by
// exact identity, and their split / behind / front counts. Internal to bsp/.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "scene/geometry.h"

namespace pw {

class Scene;

// The plane of a candidate: its anchor (the position of its corner 0) and
// its plane normal, both copied from the Scene.
struct Plane {
  Point3 anchor;
  Point3 normal;
};

Plane planeOf(const Scene& scene, std::uint32_t triangle);
// The positions of a triangle's corners 0, 1, 2.
std::array<Point3, 3> cornersOf(const Scene& scene, std::uint32_t triangle);

// The signed distance of (x, y, z) from the plane, with the operations and
// the order of Triangle::signedDistance: ((dx * nx + dy * ny) + dz * nz),
// each d a difference from the anchor. Every count of the fast build must
// equal the straightforward one bit for bit, so keep this form.
inline double planeDistance(const Plane& plane, double x, double y, double z) {
  return (x - plane.anchor.x) * plane.normal.x + (y - plane.anchor.y) * plane.normal.y +
         (z - plane.anchor.z) * plane.normal.z;
}

// How many corners of one triangle lie in front of a plane (d > 0.0001)
// and behind it (d < -0.0001); the rest, NaN included, lie in it.
struct CornerSides {
  int front = 0;
  int behind = 0;

  void add(double distance) {
    front += distance > kPlaneTolerance;
    behind += distance < -kPlaneTolerance;
  }
};

inline CornerSides cornerSides(const Plane& plane, const std::array<Point3, 3>& corners) {
  CornerSides sides;
  for (const Point3& q : corners) sides.add(planeDistance(plane, q.x, q.y, q.z));
  return sides;
}

// A plane against the entries of a list: `splits` entries spanning it,
// `behind` entries behind it or touching it from behind, `front` all others
// (classifyTriangle's sides grouped as the cutter choice groups them).
struct PlaneCounts {
  std::uint32_t splits = 0;
  std::uint32_t behind = 0;
  std::uint32_t front = 0;

  void add(const CornerSides& sides) { ++slotOf(sides); }
  void remove(const CornerSides& sides);

 private:
  std::uint32_t& slotOf(const CornerSides& sides) {
    return sides.behind == 0 ? front : sides.front == 0 ? behind : splits;
  }
};

// The entries of a list whose planes are one: same plane normal bits and
// the same anchor bits on every axis where the normal is not zero.
struct PlaneGroup {
  std::uint32_t first = 0;  // position of the group's earliest entry
  std::uint32_t size = 0;   // its number of entries
  PlaneCounts counts;       // valid once the list's groups are counted
};

// A list's candidates by plane: groups ordered by their first entry.
struct PlaneGroups {
  std::vector<std::uint32_t> groupOf;  // per entry position
  std::vector<PlaneGroup> groups;
  bool counted = false;
};

// Groups the entries of `list` by plane (see PlaneGroup). Candidates of one
// group classify every point alike, so they share their counts.
PlaneGroups groupByPlane(const Scene& scene, const std::vector<std::uint32_t>& list);

}  // namespace pw
