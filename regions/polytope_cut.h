// A cell cut into convex pieces by a Space's planes. The pieces are kept as
// lists of faces, each knowing the surface it lies on, so that the regions
// on either side of a surface can be paired up later (region_cut.h).
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "geometry/plane.h"
#include "geometry/polygon.h"

namespace pw {

// A face of a piece. `surface` names what it lies on, the same for the
// pieces on either side: a cell face (its index into CellFaces::faces) or a
// plane of a Space's triangles (the number of cell faces plus the plane's
// number over all Spaces). `front`: the piece lies in front of the surface's
// own plane (for a cell face, in its `front` cell).
struct RegionFace {
  Polygon polygon;
  Plane inward;  // its normal points into the piece
  std::uint64_t surface;
  bool front;
};
using Polytope = std::vector<RegionFace>;

// Two surfaces found to coincide where a piece's face lies on both.
using Coincidence = std::pair<std::uint64_t, std::uint64_t>;

// `cell` cut by `planes` (surfaces `firstSurface` on): for a convex list
// (every triangle on or in front of every plane), the pieces B_i, in front
// of planes 1 .. i-1 and behind plane i, in order and then R, in front of
// them all; otherwise every piece is cut by every plane. Appends to
// `coincident` each face's surface and the plane's when the face lies in
// the plane.
std::vector<Polytope> cutCell(Polytope cell, const std::vector<Plane>& planes, std::uint64_t firstSurface,
                              bool convex, std::vector<Coincidence>& coincident);

// The convex hull of points lying on a plane with normal `normal` (up to the
// tolerance), counter-clockwise about it; its corners are the given points
// themselves.
Polygon hullOnPlane(const std::vector<Point3>& points, const Point3& normal);

// How thick a polytope is: the least, over its faces, of how far its
// corners reach in front of the face's plane.
double thicknessOf(const Polytope& polytope);

}  // namespace pw
