// The fast build's view of a node's candidates: cutter planes grouped by
// exact identity, and their split / behind / front counts.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "bsp/cutter_rules.h"
#include "geometry/point3.h"
#include "scene/scene.h"

namespace pw {

// The plane of a candidate: its anchor (the position of its corner 0) and
// its plane normal, both copied from the Scene. The fast build's own record
// of a plane: the corner hierarchy compares two of them byte for byte.
struct CandidatePlane {
  Point3 anchor;
  Point3 normal;
};

// Inline: the counting reads them for every entry it tests.
inline CandidatePlane planeOf(const Scene& scene, std::uint32_t triangle) {
  const Plane plane = scene.plane(static_cast<std::int32_t>(triangle));
  return {plane.anchor, plane.normal};
}
// The positions of a triangle's corners 0, 1, 2.
inline std::array<Point3, 3> cornersOf(const Scene& scene, std::uint32_t triangle) {
  return scene.corners(static_cast<std::int32_t>(triangle));
}

// The signed distance of (x, y, z) from the plane, with the operations and
// the order of Triangle::signedDistance: ((dx * nx + dy * ny) + dz * nz),
// each d a difference from the anchor. Every count of the fast build must
// equal the straightforward one bit for bit, so keep this form.
inline double planeDistance(const CandidatePlane& plane, double x, double y, double z) {
  return (x - plane.anchor.x) * plane.normal.x + (y - plane.anchor.y) * plane.normal.y +
         (z - plane.anchor.z) * plane.normal.z;
}

// A triangle's corners against the plane.
inline CornerSides cornerSides(const CandidatePlane& plane, const std::array<Point3, 3>& corners) {
  CornerSides sides;
  for (const Point3& q : corners) sides.add(planeDistance(plane, q.x, q.y, q.z));
  return sides;
}

// The entries of a list whose planes are one: same plane normal bits and
// the same anchor bits on every axis where the normal is not zero.
struct PlaneGroup {
  std::uint32_t first = 0;  // position of the group's earliest entry
  std::uint32_t size = 0;   // its number of entries
  PlaneCounts counts;       // valid once the group is counted
  bool counted = false;
  std::uint32_t bundle = 0;  // its bundle, once the groups are bundled
};

// A list's candidates by plane: groups ordered by their first entry.
struct PlaneGroups {
  std::vector<std::uint32_t> groupOf;  // per entry position
  std::vector<PlaneGroup> groups;
  bool counted = false;  // every group is
  // How many bundles the groups fall in, numbered in the order of their
  // first groups; 0 until they are bundled.
  std::uint32_t bundles = 0;
};

// Groups the entries of `list` by plane (see PlaneGroup). Candidates of one
// group classify every point alike, so they share their counts.
PlaneGroups groupByPlane(const Scene& scene, const std::vector<std::uint32_t>& list);

}  // namespace pw
