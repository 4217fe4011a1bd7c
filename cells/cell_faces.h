// The cells of the finished tree and the faces where they meet.
//
// A Space's cell is the convex region of space it stands for: the level's
// bounding box, grown by a margin, cut by the cutter planes on the Space's
// path from the root (the front of a plane together with the plane itself,
// as the tree locates points). The cells fill the box without gaps; the
// faces between them are found the way level compilers make portals from a
// tree: each inner node's plane, clipped by the node's cell, is pushed down
// both subtrees and cut by their planes until every piece lies between two
// Spaces.
//
// Everything is in 64-bit floating point with the plane tolerance: a corner
// within the tolerance of a cutting plane goes to both parts, and a piece
// lying within the tolerance of a deeper plane goes down both of its sides,
// so rounding can make faces overlap a little but never drops a neighbour.
#pragma once

#include <cstdint>
#include <vector>

#include "geometry/bounds.h"
#include "geometry/plane.h"
#include "geometry/polygon.h"

namespace pw {

class Scene;
struct BspNode;

// The box around every Scene vertex (all zero for an empty Scene).
Bounds levelBounds(const Scene& scene);

// The region the cells fill: the box around every Scene vertex, grown on
// every side by one unit plus a tenth of its largest extent, so an eye
// standing in or just beyond the level lies inside it.
Bounds cellBounds(const Scene& scene);

// Where the cells of `front` and `behind` meet: a convex polygon on `plane`,
// counter-clockwise seen from the front. `front` lies on the side the
// plane's normal points to. A null Space is the outside of the bounds.
struct CellFace {
  Polygon polygon;
  Plane plane;
  const BspNode* front = nullptr;
  const BspNode* behind = nullptr;
};

struct CellFaces {
  Bounds bounds;
  std::vector<CellFace> faces;
  // Indices into `faces` of the faces around each Space, by the Space's
  // number less one.
  std::vector<std::vector<std::uint32_t>> facesOfSpace;
};

// The faces of every cell of the tree under `root`, which must be finished
// (its cutters are Scene triangles read now). Runs on an explicit stack, so
// any depth works; a node's plane is clipped by the faces around its cell,
// so the work grows with the number of faces a cell has.
CellFaces computeCellFaces(const Scene& scene, const BspNode& root);

}  // namespace pw
