// The empty space of a compiled level as a graph of convex regions that no
// triangle crosses, joined where they touch through an area no triangle
// covers: what a leak search walks.
//
// A Space's cell is not cut by the Space's own walls, so the cells alone
// cannot tell the inside of a room from the void around it. Each cell is cut
// further by the planes of its Space's triangles (distinct planes only, in
// list order): R, the part in front of every plane, and the pieces B_i in
// front of planes 1 .. i-1 and behind plane i. A Space's list is convex
// (every triangle lies on or in front of every other's plane), so each
// triangle lies on the boundary of every piece it touches and none crosses a
// piece's interior. A forced Space's list need not be convex: there every
// piece is cut by every plane. Two regions are joined where their faces
// overlap (on a plane between two pieces of a cell, or on a face between two
// cells) by more than kSliverWidth once the triangles lying in that plane
// are taken away, whichever way they face: a wall blocks passage both ways.
//
// Everything is in 64-bit floating point with the plane tolerance. Faces
// that only touch along an edge, and the rounding gaps where walls meet,
// leave joins thinner than kSliverWidth, which are dropped, and so are
// pieces thinner than that: wedges between two planes that nearly coincide,
// where another Space's wall may lie within the tolerance. So a closed level
// stays closed, and a hole or crack thinner than that is missed.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "cells/cell_faces.h"

namespace pw {

class Scene;
struct BspNode;

struct EmptyRegion {
  const BspNode* space = nullptr;
  // The region is the intersection of the fronts of these planes.
  std::vector<Plane> sides;
  // The centre of its widest face on the cells' bounds, when it has one:
  // the region reaches the outside there.
  std::optional<Point3> exit;
  // Indices into EmptyRegions::joins.
  std::vector<std::uint32_t> joins;
};

struct RegionJoin {
  std::uint32_t regions[2];
  // A point of the uncovered area: the centroid of its largest triangle, so
  // that a path through the join goes through the actual opening.
  Point3 centre;
};

struct EmptyRegions {
  Bounds bounds;  // the region the cells fill
  std::vector<EmptyRegion> regions;
  std::vector<RegionJoin> joins;
  // Indices into `regions` of each Space's regions, by its number less one.
  std::vector<std::vector<std::uint32_t>> regionsOfSpace;
  // Joins GLU could not carve, joined whole instead.
  std::uint64_t carvingFallbacks = 0;
};

// The regions of the tree under `root` with `cells` its cell faces.
EmptyRegions findEmptyRegions(const Scene& scene, const BspNode& root, const CellFaces& cells);

}  // namespace pw
