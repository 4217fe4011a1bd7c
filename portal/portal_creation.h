// The portal of a cutter plane: the split's on-plane segments chained into
// rings, tessellated against a large square on the plane, turned into a new
// fragment pair. Logged to "contours.log" and "tris.log".
#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <vector>

#include "portal/portal.h"
#include "scene/edge_set.h"
#include "geometry/point3.h"

namespace pw {

class Scene;
class SceneLog;

// The corners of one ring in chaining order; never empty.
using Contour = std::vector<Point3>;

// Ring chaining: an exact match continues a ring, then the first segment
// whose start is within this distance on every axis.
inline constexpr double kChainTolerance = 0.00001;

// Start point, empty line, end point, 13 hyphens per segment; 15 '=' after all.
void writeEdgeSet(SceneLog& log, const EdgeSet& edges);
// Empties `edges` into rings (smallest start first; first-inserted start wins).
std::vector<Contour> chainContours(EdgeSet& edges);
// Each ring's points then 10 hyphens; 15 '=' after all.
void writeContours(SceneLog& log, const std::vector<Contour>& contours);
// One "tris.log" entry: the corners as given to addTriangle, then 12 hyphens.
void writePortalTriangle(SceneLog& log, const Point3& a, const Point3& b, const Point3& c);

// Half the side of the square every portal of a level within +-1000 units
// is carved from.
inline constexpr double kSquareHalfSide = 1000.0;

// The square's half side for a level whose largest absolute vertex
// coordinate (as read, before the build cuts anything) is `largest`:
// kSquareHalfSide while that is at most 1000 (or NaN), so such levels keep
// their logs byte for byte; beyond, the smallest power of two that is at
// least twice `largest`. GLU sees the rings projected onto the two free axes
// of the plane's dominant axis, where they stay within +-largest, so they
// lie well inside the square and never cross it (crossing rings need a
// combine callback, which is not given, and GLU then delivers nothing). A
// power of two scales the corners' coordinates exactly. Capped at 2^1023;
// GLU clamps coordinates beyond 1e150 anyway.
double squareHalfSideFor(double largest);
// The same for the vertices the Scene holds now.
double squareHalfSideFor(const Scene& scene);

// The square on the plane through the origin perpendicular to `normal`, in
// the order its corners are handed to the tessellator (counter-clockwise seen
// from the side `normal` points to, `halfSide` units from the origin on the
// free axes).
std::array<Point3, 4> cutterSquare(const Point3& normal, double halfSide = kSquareHalfSide);

// What became of one cutter plane's portal.
enum class PortalOutcome {
  Created,  // the portal went to the front list, its twin to the behind list
  // No portal:
  NoRings,        // no segments, so no rings: GLU saw the square alone
  Refused,        // GLU gave up and delivered nothing (rings cross each other or the square)
  NoArea,         // every triangle GLU gave touched a square corner or had a zero cross product
  Untessellable,  // a zero or non-finite normal, or a NaN ring point: not handed to GLU
};

// Gives the "tris.log" writer of one portal creation, emptied: called once
// per creation, after the tessellation has succeeded.
using TrisLogSource = std::function<SceneLog&()>;

// Tessellates `contours` with the square of `squareHalfSide`, keeps the triangles that touch no
// square corner and have a non-zero cross product, and appends the new portal
// to `frontList` and its twin to `behindList` (or destroys the empty pair).
// "tris.log" from `trisLog` receives the kept triangles.
// A zero or non-finite normal, or a NaN contour point, gives no area and so
// no portal (GLU is not fed such input). Returns whether a portal was made
// and, if not, why. Throws what the Tessellator throws, before anything is
// made.
PortalOutcome createCutterPortal(const std::vector<Contour>& contours, const Point3& normal, std::vector<Portal*>& frontList,
                        std::vector<Portal*>& behindList, PortalStore& store, const TrisLogSource& trisLog,
                        double squareHalfSide = kSquareHalfSide);
// The same with "tris.log" at `trisLogPath`, created or truncated after the
// tessellation and closed at the end.
PortalOutcome createCutterPortal(const std::vector<Contour>& contours, const Point3& normal, const Scene* scene,
                        std::vector<Portal*>& frontList, std::vector<Portal*>& behindList, PortalStore& store,
                        const std::filesystem::path& trisLogPath, double squareHalfSide = kSquareHalfSide);

}  // namespace pw
