// The empty space of a compiled level cut into convex regions that no
// triangle crosses: what the leak graph (leak_graph.h) and the sight graph
// (sight_graph.h) join up, each in its own way.
//
// A Space's cell is not cut by the Space's own walls, so the cells alone
// cannot tell the inside of a room from the void around it. Each cell is cut
// further by the planes of its Space's triangles (distinct planes only, in
// list order): R, the part in front of every plane, and the pieces B_i in
// front of planes 1 .. i-1 and behind plane i. A Space's list is convex
// (every triangle lies on or in front of every other's plane), so each
// triangle lies on the boundary of every piece it touches and none crosses a
// piece's interior. A forced Space's list need not be convex: there every
// piece is cut by every plane. Two regions meet where their faces overlap,
// on a plane between two pieces of a cell or on a face between two cells;
// faces on the cells' bounds lead out of the level. Where a region's face
// lies in two planes (rounding tilts the planes of one wall apart across a
// cell), the triangles lying in either count as lying in both.
//
// Everything is in 64-bit floating point with the plane tolerance. Faces
// narrower than kSliverWidth (those that only touch along an edge) lead
// nowhere.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "cells/cell_faces.h"
#include "cells/polygon_difference.h"
#include "geometry/bounds.h"
#include "regions/empty_region.h"

namespace pw {

class Scene;

using TriangleCorners = std::array<Point3, 3>;

// A region's face that may lead into another region: at least kSliverWidth
// wide and not on the cells' bounds. `surface` and `front` as RegionFace's
// (polytope_cut.h).
struct SurfaceFace {
  std::uint64_t surface;
  bool front;
  std::uint32_t region;
  Polygon polygon;
};

// What lies on a surface: its plane and the Spaces whose triangles in that
// plane may cover it, and the other surfaces some region's face was found to
// lie in as well (rounding tilts two planes of one wall apart by more than
// the tolerance across a cell, so a triangle may lie in the one, within the
// tolerance, and not in the other: it covers both).
struct Surface {
  Plane plane;
  const BspNode* spaces[2];
  std::vector<std::uint64_t> coincident;
};

// A triangle lying in a surface's plane, with its Space and the way it faces.
struct Cutout {
  Polygon polygon;
  const BspNode* space;
  std::size_t triangle;  // its number in the Space's list
  Point3 winding;        // the normal its corner order winds around
  Bounds box;
};

struct RegionCut {
  std::vector<EmptyRegion> regions;
  // By region: the centre of its widest face on the cells' bounds, when it
  // has one: the region reaches the outside there.
  std::vector<std::optional<Point3>> exits;
  // Indices into `regions` of each Space's regions, by spaceIndex.
  std::vector<std::vector<std::uint32_t>> regionsOfSpace;
  std::vector<Surface> surfaces;
  // The regions' faces sorted by surface, in region order on each.
  std::vector<SurfaceFace> faces;
  // By spaceIndex: the corners of the Space's triangles, in list order.
  std::vector<std::vector<TriangleCorners>> cornersOfSpace;

  // Calls visit(surface, faces on it) for each surface some face lies on,
  // in surface order.
  template <class Visit>
  void forEachSurface(Visit&& visit) const {
    for (std::size_t begin = 0; begin < faces.size();) {
      std::size_t end = begin;
      while (end < faces.size() && faces[end].surface == faces[begin].surface) ++end;
      visit(surfaces[faces[begin].surface], std::span<const SurfaceFace>(faces).subspan(begin, end - begin));
      begin = end;
    }
  }

  // The triangles of the surface's Spaces lying in its plane, and those of
  // the surfaces coinciding with it lying in theirs, facing either way; each
  // once.
  std::vector<Cutout> cutoutsOn(const Surface& surface) const;
};

// The cells of the Spaces under `root` (`cells` their faces) cut into
// regions, in the Spaces' dump order and each cell's pieces in cutting
// order. Pieces thinner than `minThickness` are dropped (none when it is 0).
RegionCut cutIntoRegions(const Scene& scene, const BspNode& root, const CellFaces& cells, double minThickness);

// The common part of two convex polygons on one plane: `a` clipped by the
// inner side of each edge of `b`.
Polygon overlapOf(const Polygon& a, const Polygon& b);

// Calls visit(front face, behind face, overlap) for each pair of faces on
// one surface, the first lying in front of it, whose overlap is at least
// kSliverWidth wide: front faces in order, and for each the behind faces.
template <class Visit>
void forEachOverlap(std::span<const SurfaceFace> faces, Visit&& visit) {
  for (const SurfaceFace& front : faces) {
    if (!front.front) continue;
    for (const SurfaceFace& behind : faces) {
      if (behind.front) continue;
      const Polygon overlap = overlapOf(front.polygon, behind.polygon);
      if (overlap.size() < 3 || polygonWidth(overlap) < kSliverWidth) continue;
      visit(front, behind, overlap);
    }
  }
}

// What of `overlap` the cutouts `near` leave uncovered, as triangles wound
// around `normal`; none when one of them covers all of it or they cover all
// of it but slivers. GLU (through `carver`) carves only what a single cutout
// does not cover.
Difference uncoveredPart(CoplanarCarver& carver, const Polygon& overlap, const std::vector<const Polygon*>& near,
                         const Point3& normal);

}  // namespace pw
