#include "regions/polytope_cut.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include "geometry/convex_hull.h"
#include "geometry/plane_side.h"

namespace pw {
namespace {

struct PolytopeSplit {
  Polytope front;
  Polytope behind;
  // The surfaces of the faces found lying in the plane.
  std::vector<std::uint64_t> coplanar;
};

// The parts of a convex polytope in front of and behind `plane`, which is
// surface `surface`. A part without a corner clearly on its side is empty
// (the other part is the whole). The new face of both parts is the plane's
// section of the polytope: the hull of the faces' corners within the
// tolerance of the plane and of their edges' crossings with it, the very
// points the faces' parts end at. (Clipping a large square by the faces'
// planes instead fails where a face nearly lies in the plane: two nearly
// parallel planes part by the tolerance anywhere along a wide band, and a
// face's plane, carried beyond the face, cuts away part of the section, so
// the parts lose that side and reach beyond the cell.)
PolytopeSplit splitPolytope(Polytope&& polytope, const Plane& plane, std::uint64_t surface) {
  bool anyFront = false;
  bool anyBehind = false;
  PolytopeSplit split;
  for (const RegionFace& face : polytope) {
    if (liesInPlane(plane, face.polygon)) split.coplanar.push_back(face.surface);
    for (const Point3& p : face.polygon) {
      const PointSide side = sideOfDistance(plane.distance(p));
      anyFront = anyFront || side == PointSide::Front;
      anyBehind = anyBehind || side == PointSide::Behind;
    }
  }
  if (!anyBehind || !anyFront) {
    (anyBehind ? split.behind : split.front) = std::move(polytope);
    return split;
  }
  std::vector<Point3> section;
  const auto addToSection = [&](const Polygon& polygon) {
    for (const Point3& p : polygon) {
      if (sideOfDistance(plane.distance(p)) == PointSide::OnPlane) section.push_back(p);
    }
  };
  for (const RegionFace& face : polytope) {
    PolygonSplit parts = splitPolygon(face.polygon, plane);
    if (parts.coplanar) {
      // Within the tolerance of the plane: the polytope lies on the side
      // the face looks into.
      addToSection(face.polygon);
      (dot(face.inward.normal, plane.normal) > 0.0 ? split.front : split.behind).push_back(face);
      continue;
    }
    addToSection(parts.front);
    addToSection(parts.behind);
    if (parts.front.size() >= 3) split.front.push_back({std::move(parts.front), face.inward, face.surface, face.front});
    if (parts.behind.size() >= 3) {
      split.behind.push_back({std::move(parts.behind), face.inward, face.surface, face.front});
    }
  }
  Polygon cap = hullOnPlane(section, plane.normal);
  if (cap.size() >= 3) {
    split.front.push_back({cap, plane, surface, true});
    split.behind.push_back({std::move(cap), plane.flipped(), surface, false});
  }
  return split;
}

}  // namespace

// The hull is taken on the two axes the plane is least steep against: that
// projection keeps convexity and is well conditioned.
Polygon hullOnPlane(const std::vector<Point3>& points, const Point3& normal) {
  const double nx = std::abs(normal.x);
  const double ny = std::abs(normal.y);
  const double nz = std::abs(normal.z);
  const auto flat = [dropped = nx >= ny && nx >= nz ? 0 : ny >= nz ? 1 : 2](const Point3& p) {
    return dropped == 0 ? Point2{p.y, p.z} : dropped == 1 ? Point2{p.z, p.x} : Point2{p.x, p.y};
  };
  std::map<Point2, Point3> lifted;
  std::vector<Point2> flatPoints;
  for (const Point3& p : points) {
    if (lifted.emplace(flat(p), p).second) flatPoints.push_back(flat(p));
  }
  Polygon hull;
  for (const Point2& q : convexHull(std::move(flatPoints))) hull.push_back(lifted.at(q));
  if (dot(areaVector(hull), normal) < 0.0) std::reverse(hull.begin(), hull.end());
  return hull;
}

std::vector<Polytope> cutCell(Polytope cell, const std::vector<Plane>& planes, std::uint64_t firstSurface,
                              bool convex, std::vector<Coincidence>& coincident) {
  std::vector<Polytope> pieces;
  const auto split = [&](Polytope&& polytope, std::size_t k) {
    PolytopeSplit parts = splitPolytope(std::move(polytope), planes[k], firstSurface + k);
    for (const std::uint64_t surface : parts.coplanar) coincident.push_back({surface, firstSurface + k});
    return parts;
  };
  if (convex) {
    for (std::size_t k = 0; k < planes.size() && !cell.empty(); ++k) {
      PolytopeSplit parts = split(std::move(cell), k);
      if (!parts.behind.empty()) pieces.push_back(std::move(parts.behind));
      cell = std::move(parts.front);
    }
    if (!cell.empty()) pieces.push_back(std::move(cell));
    return pieces;
  }
  pieces.push_back(std::move(cell));
  for (std::size_t k = 0; k < planes.size(); ++k) {
    std::vector<Polytope> next;
    for (Polytope& piece : pieces) {
      PolytopeSplit parts = split(std::move(piece), k);
      for (Polytope* part : {&parts.front, &parts.behind}) {
        if (!part->empty()) next.push_back(std::move(*part));
      }
    }
    pieces = std::move(next);
  }
  return pieces;
}

double thicknessOf(const Polytope& polytope) {
  double thickness = std::numeric_limits<double>::infinity();
  for (const RegionFace& face : polytope) {
    double reach = 0.0;
    for (const RegionFace& other : polytope) {
      for (const Point3& p : other.polygon) reach = std::max(reach, face.inward.distance(p));
    }
    thickness = std::min(thickness, reach);
  }
  return thickness;
}

}  // namespace pw
