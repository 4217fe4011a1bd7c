// Open links: the holes in the cells' walls that the designed portals miss.
//
// A link is one-way, from Space `from` into Space `to`, and lies on a face
// where their cells meet. Of that face, two kinds of area are taken away:
//   - triangles of `from` lying in the face's plane and facing into `from`:
//     whenever `from` is drawn they are drawn too, facing the eye, and hide
//     whatever lies behind them;
//   - the leaf fragments of `from` that lead into `to`, lie in the face's
//     plane and face into `from`: the designed traversal tests those itself.
// What is left is the link. A triangle of another Space lying in the face is
// not taken away: it is only drawn when its own Space is reached.
//
// Why a traversal through fragments and links hides no wall in view: a
// sight line from the eye to the first surface it meets runs through a chain
// of cells, from the eye's cell to the cell holding that surface, crossing
// one face at each step, always from the side the eye is on. Where it
// crosses the face from A into B it meets a wall facing A (then that wall,
// drawn with A, is what the line meets first, and the chain ended at A), or
// a fragment of A leading into B, or a link from A into B. Both of the
// latter pass their tests for this eye: the crossing point lies in front of
// the eye, inside the view, on a plane the eye is on the front side of. So
// every cell of the chain is reached, the last one included.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "cells/cell_faces.h"
#include "cells/polygon_difference.h"

namespace pw {

class Scene;
struct BspNode;

struct OpenLink {
  const BspNode* from = nullptr;
  const BspNode* to = nullptr;
  // The face's plane, its normal pointing into `from`.
  Plane plane;
  std::vector<FlatTriangle> triangles;
  // Every corner of `triangles` once: what the view test looks at.
  std::vector<Point3> corners;
  double area = 0.0;
};

struct OpenLinks {
  // The region the cells fill; from an eye outside it, sight lines enter
  // the level through no face of the eye's cell, so nothing can be culled.
  Bounds bounds;
  std::vector<OpenLink> links;
  // Indices into `links` of the links out of each Space, by the Space's
  // number less one.
  std::vector<std::vector<std::uint32_t>> linksFrom;
  // Faces GLU could not carve, linked whole instead.
  std::uint64_t carvingFallbacks = 0;
};

// A link from `from` into `to` through `triangles`, lying on `plane` (its
// normal pointing into `from`); none without triangles.
std::optional<OpenLink> makeOpenLink(const BspNode& from, const BspNode& to, const Plane& plane,
                                     std::vector<FlatTriangle> triangles);

// The links of every face between two Spaces. Faces and the leftovers of
// carving that are thinner than kSliverWidth give no link.
OpenLinks findOpenLinks(const Scene& scene, const CellFaces& cells);

}  // namespace pw
