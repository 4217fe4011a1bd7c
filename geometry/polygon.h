// Convex polygons in 64-bit floating point, cut by planes with the plane
// tolerance: the geometry of the tree's cells and the regions in them.
#pragma once

#include <vector>

#include "geometry/plane.h"
#include "geometry/point3.h"

namespace pw {

// Corners in order around the polygon; convex, and lying on one plane up to
// rounding.
using Polygon = std::vector<Point3>;

// The two parts of a polygon cut by a plane. A corner within the plane
// tolerance belongs to both parts, so they overlap by at most the tolerance
// and nothing near the plane is lost to rounding. A polygon that lies within
// the tolerance of the plane entirely is `coplanar` and both parts are empty.
struct PolygonSplit {
  Polygon front;
  Polygon behind;
  bool coplanar = false;
};
PolygonSplit splitPolygon(const Polygon& polygon, const Plane& plane);

// The part of `polygon` on the front side of `plane` (with the tolerance);
// a polygon in the plane is kept whole.
Polygon clipToFront(const Polygon& polygon, const Plane& plane);

// The square of half side `halfSide` on `plane`, centred on the point of the
// plane nearest to `centre`, counter-clockwise seen from the front.
Polygon squareOnPlane(const Plane& plane, const Point3& centre, double halfSide);

// Twice the area vector (Newell's method): its direction is the normal the
// corner order winds counter-clockwise around.
Point3 areaVector(const Polygon& polygon);

// The mean of the corners (of any non-empty set of points): a point inside a
// convex polygon or polytope given by its corners.
Point3 cornerMean(const std::vector<Point3>& points);

// Twice the area over the boundary length: how wide the polygon is, to tell
// rounding slivers (see kSliverWidth) from areas; 0 for a polygon without
// a boundary.
double polygonWidth(const Polygon& polygon);

}  // namespace pw
