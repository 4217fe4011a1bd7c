// Coplanar polygon difference, for carving the open links out of cell faces.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <vector>

#include "geometry/plane_side.h"
#include "geometry/polygon.h"
#include "portal/glu_sweep.h"

namespace pw {

using FlatTriangle = std::array<Point3, 3>;

double flatTriangleArea(const FlatTriangle& triangle);

// A convex polygon as a fan of triangles wound counter-clockwise around
// `normal`.
std::vector<FlatTriangle> fanTriangles(Polygon polygon, const Point3& normal);

// Regions of a difference narrower than this (twice the area over the
// boundary length) are rounding slivers where two cut-outs meet or where a
// cut-out's edge runs along the face's edge up to rounding, and are dropped.
// Such a gap is under 0.0004 units wide: seen from half a unit away it spans
// less than a milliradian, narrower than one pixel of a 1024-pixel-wide,
// 45-degree view, so dropping it cannot hide more than a sliver of a pixel.
inline constexpr double kSliverWidth = 4.0 * kPlaneTolerance;

// GLU sweeps every corner rounded to this absolute grid (a power of two, so
// the rounding is exact and repeats itself). Corners a few ulps apart, which
// otherwise send GLU's sweep into millions of ever closer intersections,
// become one corner or lie a whole step apart. A corner moves by at most
// half a step on each axis (under 1e-6 units), so the carving's edges, and
// the crossings GLU makes of them, move by far less than the rounding a
// carving accepts anyway (kSliverWidth); 2^-20 lies a hundred times below
// the plane tolerance. The triangles keep the corners given, not rounded.
inline constexpr double kCarvingGrid = 0x1p-20;

struct Difference {
  // The part of the face that no cut-out covers, as triangles wound
  // counter-clockwise around the normal given.
  std::vector<FlatTriangle> triangles;
  // True when GLU could not carve it (it reported an error, or it was cut
  // short at the bound): the caller gets the whole face instead, which is
  // the conservative answer.
  bool fellBack = false;
};

// A convex carving grows at most this many pieces before giving up:
// cut-outs crossing each other multiply them.
inline constexpr std::size_t kMostConvexPieces = 64;

// `face` (convex) less the convex `cutouts` (triangles, or triangles
// clipped) by clipping, with no sweep: each cut-out splits each piece its
// box meets into the parts outside its first edge, inside that and outside
// its second, and so on, and drops what lies inside all its edges; the
// pieces are fanned around `normal`. None when they grow past
// kMostConvexPieces. As a sweep keeps a region as a whole, slivers count
// only when no piece is wider: a face the cut-outs cover but for rounding
// gaps leaves nothing. A sweep's triangles differ, not the area.
std::optional<std::vector<FlatTriangle>> convexDifference(const Polygon& face, const std::vector<Polygon>& cutouts,
                                                          const Point3& normal);

// Carves coplanar differences with one GLU tessellator, made once and used
// for every call (and made afresh after a carving cut short, see
// glu_sweep.h). Throws
// std::runtime_error when GLU cannot make it.
class CoplanarCarver {
 public:
  // `maxCombines`: how many new vertices (combine calls: intersections and
  // merged corners alike) one carving may ask for before it is cut short
  // and the face taken whole; tests lower it. The output, fewer than two
  // triangles per vertex, is bounded with it.
  explicit CoplanarCarver(std::size_t maxCombines = kMaxSweepIntersections);
  ~CoplanarCarver();
  CoplanarCarver(const CoplanarCarver&) = delete;
  CoplanarCarver& operator=(const CoplanarCarver&) = delete;

  // `face` minus the union of `cutouts`, all lying on the plane with unit
  // normal `normal` (either winding: each is oriented here): the face wound
  // counter-clockwise, each cut-out clockwise, keeping what has a positive
  // winding number; crossing edges get new vertices from a combine callback.
  // GLU sweeps the corners rounded to kCarvingGrid; a face that one
  // cut-out covers whole (up to the tolerance) is not swept: nothing is left.
  Difference subtract(const Polygon& face, const std::vector<Polygon>& cutouts, const Point3& normal);

 private:
  std::size_t maxCombines_;
  GLUtesselator* tess_;
};

}  // namespace pw
