// The empty regions (region_cut.h) joined where they touch through an area
// no triangle covers: the graph a leak search (leak_search.h) walks.
//
// Two regions are joined where their faces overlap by more than
// kSliverWidth once the triangles lying in that plane are taken away,
// whichever way they face: a wall blocks passage both ways. Where a region's
// face lies in two such planes, the triangles lying in either are taken away
// from both. What is left loses too the part, laid onto the plane, of every
// triangle within a sliver of it, whatever Space holds it: the planes of one
// wall, each taken from a small triangle of 32-bit corners and carried
// across a cell, part by more than the tolerance a few units from where they
// were taken (a unit-wide triangle 700 units from the origin tilts by up to
// about 3e-5), and a wall's triangles may lie in a Space a sliver thin
// between two of its planes. Only the part of an overlap where both regions
// reach at least kSliverWidth across it counts: the thin end of a wedge
// between two planes of one wall is a crack, not a way in.
//
// Faces that only touch along an edge, and the rounding gaps where walls
// meet, leave joins thinner than kSliverWidth, which are dropped, and so are
// regions thinner than that: wedges between two planes that nearly coincide,
// where another Space's wall may lie within the tolerance. So a closed level
// stays closed, turned any way and moved as far as its 32-bit coordinates
// keep steps finer than the tolerance (up to 1 024 units from the origin),
// and a hole or crack thinner than a sliver is missed. Farther out the
// steps themselves open cracks wider than a sliver.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "cells/cell_faces.h"
#include "geometry/bounds.h"
#include "regions/empty_region.h"

namespace pw {

class Scene;

struct LeakRegion : EmptyRegion {
  // The centre of its widest face on the cells' bounds, when it has one:
  // the region reaches the outside there.
  std::optional<Point3> exit;
  // Indices into LeakGraph::joins.
  std::vector<std::uint32_t> joins;
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

struct LeakGraph {
  Bounds bounds;  // the region the cells fill
  std::vector<LeakRegion> regions;
  std::vector<RegionJoin> joins;
  // Indices into `regions` of each Space's regions, by spaceIndex.
  std::vector<std::vector<std::uint32_t>> regionsOfSpace;
  // Joins GLU could not carve, joined whole instead.
  std::uint64_t carvingFallbacks = 0;
};

// The leak graph of the tree under `root` with `cells` its cell faces.
LeakGraph findLeakGraph(const Scene& scene, const BspNode& root, const CellFaces& cells);

}  // namespace pw
