// A convex piece of a Space's cell that no triangle crosses: the shape both
// region graphs (leak_graph.h, sight_graph.h) are made of.
#pragma once

#include <span>
#include <vector>

#include "geometry/plane.h"

namespace pw {

struct BspNode;

struct EmptyRegion {
  const BspNode* space = nullptr;
  // The region is the intersection of the fronts of these planes.
  std::vector<Plane> sides;

  // How deep `point` lies in the region: its least distance in front of the
  // region's sides (negative outside it).
  double depthOf(const Point3& point) const;
  // Whether the convex hull of `points` may meet the region: no side has
  // them all behind it beyond the tolerance. (A hull passing outside an edge
  // or a corner may still count: it is near.)
  bool mayMeet(std::span<const Point3> points) const;
};

}  // namespace pw
