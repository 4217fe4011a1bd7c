// The empty regions (region_cut.h) joined by one-way sight passages, each
// region with its walls: what narrowed culling (culling/region_traversal.h)
// walks.
//
// A sight passage leads from a region into a neighbour through the part of
// their common face that no triangle facing into the first region covers:
// a sight line passes a back face (it is not drawn). Passages are kept as
// triangles, so that the frame's tests see one as they see an open link.
// Each region also keeps its walls: the part on each of its faces of every
// triangle lying there and facing into it, whichever Space holds it. A sight
// line that reaches a triangle first meets it on a wall of the last region
// it crosses, so a frame draws a Space when it sees one of its walls, not
// whenever a line crosses its cell's air. Regions thinner than a sliver are
// kept: a line may cross one.
#pragma once

#include <cstdint>
#include <vector>

#include "cells/cell_faces.h"
#include "cells/open_links.h"
#include "geometry/bounds.h"
#include "regions/empty_region.h"

namespace pw {

class Scene;

struct SightRegion : EmptyRegion {
  // Indices into SightGraph::sightPassages of those leading out of it, and
  // into SightGraph::walls of its walls.
  std::vector<std::uint32_t> sightPassages;
  std::vector<std::uint32_t> walls;
  // It has a face on the cells' bounds: it reaches the void around the
  // level there.
  bool onBounds = false;
  // The area of the triangles on its faces that turn their backs to it: a
  // region inside solid or out in the void sees walls from behind.
  double backArea = 0.0;
};

struct SightPassage {
  std::uint32_t from = 0;  // regions
  std::uint32_t to = 0;
  // The uncovered part as seen from `from`: the two regions' Spaces, its
  // plane (facing into `from`) and its triangles, so that the frame's tests
  // see it as they see a link.
  OpenLink view;
};

struct SightGraph {
  Bounds bounds;  // the region the cells fill
  std::vector<SightRegion> regions;
  std::vector<SightPassage> sightPassages;
  // A wall as seen from its region: `from` is the region's Space, `to` the
  // Space that holds the triangle.
  std::vector<OpenLink> walls;
  // By spaceIndex: some triangle of the Space, too thin or off every face,
  // is on no wall, so the Space is drawn whenever one of its regions is
  // reached.
  std::vector<bool> drawnWhenReached;
  // Indices into `regions` of each Space's regions, by spaceIndex.
  std::vector<std::vector<std::uint32_t>> regionsOfSpace;
};

// The sight graph of the tree under `root` with `cells` its cell faces.
SightGraph findSightGraph(const Scene& scene, const BspNode& root, const CellFaces& cells);

}  // namespace pw
