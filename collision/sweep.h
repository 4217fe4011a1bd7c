// A sphere moved along a straight line against the level's triangles: the
// first touch, whichever side of a triangle it comes from. With radius 0 the
// sphere is a point and the sweep is a ray cast.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "geometry/bounds.h"
#include "geometry/point3.h"

namespace pw {

class Scene;
struct BspNode;

// What the sphere meets first.
struct SweepHit {
  double fraction;  // of the motion done at the touch, 0..1
  // The unit direction from the touched point to the sphere's centre at the
  // touch (for radius 0, the triangle's normal turned towards the start).
  Point3 normal;
  std::uint32_t triangle;
  // The sphere came from the side the triangle's plane normal points to.
  bool fromFront;
  // It touched the inside of the triangle, not an edge or a corner.
  bool onFace;
};

// The triangles of the Spaces whose regions `box` may meet (the tree walked
// from `root`, a cutter taken both ways where the box straddles it), whose
// own boxes meet `box`. A triangle lies in one Space, so each comes once.
std::vector<std::uint32_t> trianglesNear(const Scene& scene, const BspNode& root, const Bounds& box);

// The first of `triangles` that the sphere of `radius` centred at `centre`
// touches while moving by `motion`; none when it touches nothing. A sphere
// that already overlaps a triangle is stopped at once (fraction 0) when it
// moves further into it, and passes when it moves away.
std::optional<SweepHit> sweepSphere(const Scene& scene, std::span<const std::uint32_t> triangles,
                                    const Point3& centre, double radius, const Point3& motion);

// The box the sphere covers along the whole motion.
Bounds sweptBox(const Point3& centre, double radius, const Point3& motion);

}  // namespace pw
