// One frame of walking: the body (body.h) moved across the level by the
// arrow keys' wish, held up by floors, stopped and slid along by walls,
// lifted up steps and walkable slopes, and pulled down by gravity.
//
// The body is a column of spheres from the step height up to its top, so a
// step lower than that passes under it and everything higher stops it; a
// sphere at the column's foot, swept down, finds the floor. Every motion is
// a swept test against the triangles near it, in substeps short against the
// radius, so no triangle is passed through whatever the speed or the frame's
// length.
#pragma once

#include "collision/body.h"
#include "geometry/point3.h"

namespace pw {

class Scene;
struct BspNode;

struct WalkState {
  Point3 feet;             // the eye less the standing height
  double fallSpeed = 0.0;  // downwards, units per second
  bool grounded = false;
};

// A frame is taken as at most this long, so a stalled frame does not throw
// the body far.
inline constexpr double kLongestWalkFrame = 0.25;

// Moves `state` for `seconds` (clamped to kLongestWalkFrame) with the
// horizontal `velocity` (units per second; its y is ignored) against the
// triangles of the tree under `root`.
void walkFor(const Scene& scene, const BspNode& root, const Body& body, WalkState& state, const Point3& velocity,
             double seconds);

}  // namespace pw
