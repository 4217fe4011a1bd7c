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
// Where a region's face lies in two such planes (rounding tilts the planes
// of one wall apart across a cell), the triangles lying in either are taken
// away from both. Only the part of an overlap where both regions reach at
// least kSliverWidth across it counts: the thin end of a wedge between two
// planes of one wall is a crack, not a way in.
//
// For sight the joins are one-way passages instead, kept as triangles: from
// a region, only the triangles facing it are taken away, since a sight line
// passes a back face (it is not drawn). Each region also keeps its walls:
// the part on each of its faces of every triangle lying there and facing
// into it, whichever Space holds it. A sight line that reaches a triangle
// first meets it on a wall of the last region it crosses, so a frame draws a
// Space when it sees one of its walls, not whenever a line crosses its
// cell's air. Pieces thinner than a sliver are kept for sight: a line may
// cross one.
//
// Everything is in 64-bit floating point with the plane tolerance. Faces
// that only touch along an edge, and the rounding gaps where walls meet,
// leave joins thinner than kSliverWidth, which are dropped, and so are
// pieces thinner than that: wedges between two planes that nearly coincide,
// where another Space's wall may lie within the tolerance. So a closed level
// stays closed, and a hole or crack thinner than that is missed. That holds
// while the planes of one wall, each taken from a small triangle and carried
// across a cell, part by less than a sliver: on the generated rooms levels,
// turned any way, up to about a hundred units from the origin (32-bit
// coordinates, triangles half a unit to a unit wide).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "cells/cell_faces.h"
#include "cells/open_links.h"

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
  // Indices into EmptyRegions::sightPassages of those leading out of it,
  // and into EmptyRegions::walls of its walls.
  std::vector<std::uint32_t> sightPassages;
  std::vector<std::uint32_t> walls;

  // How deep `point` lies in the region: its least distance in front of the
  // region's sides (negative outside it).
  double depthOf(const Point3& point) const;
  // Whether the convex hull of `points` may meet the region: no side has
  // them all behind it beyond the tolerance. (A hull passing outside an edge
  // or a corner may still count: it is near.)
  bool mayMeet(std::span<const Point3> points) const;
};

struct RegionJoin {
  std::uint32_t regions[2];
  // A point of the uncovered area: the centroid of its largest triangle, so
  // that a path through the join goes through the actual opening.
  Point3 centre;
  // GLU could not carve the area, so the join was made through all of it:
  // the opening may not be there.
  bool carvedWhole = false;
};

struct SightPassage {
  std::uint32_t from = 0;  // regions
  std::uint32_t to = 0;
  // The uncovered part as seen from `from`: the two regions' Spaces, its
  // plane (facing into `from`) and its triangles, so that the frame's tests
  // see it as they see a link.
  OpenLink view;
};

// What the joins between regions stand for.
enum class RegionJoins {
  Passage,  // a leak search's: `joins`, blocked by any wall
  Sight,    // a frame's: `sightPassages`, one-way
};

struct EmptyRegions {
  Bounds bounds;  // the region the cells fill
  std::vector<EmptyRegion> regions;
  std::vector<RegionJoin> joins;
  std::vector<SightPassage> sightPassages;
  // A wall as seen from its region: `from` is the region's Space, `to` the
  // Space that holds the triangle.
  std::vector<OpenLink> walls;
  // By Space number less one: some triangle of the Space, too thin or off
  // every face, is on no wall, so the Space is drawn whenever one of its
  // regions is reached.
  std::vector<bool> drawnWhenReached;
  // Indices into `regions` of each Space's regions, by its number less one.
  std::vector<std::vector<std::uint32_t>> regionsOfSpace;
  // Joins GLU could not carve, joined whole instead.
  std::uint64_t carvingFallbacks = 0;
};

// The regions of the tree under `root` with `cells` its cell faces, joined
// as `kind` says.
EmptyRegions findEmptyRegions(const Scene& scene, const BspNode& root, const CellFaces& cells,
                              RegionJoins kind = RegionJoins::Passage);

}  // namespace pw
