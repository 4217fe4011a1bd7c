#include "regions/region_cut.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <utility>

#include "bsp/bsp_node.h"
#include "cells/polygon_difference.h"
#include "geometry/bounds.h"
#include "geometry/convex_hull.h"
#include "scene/scene.h"

namespace pw {
namespace {

// A face of a region under construction. `surface` names what it lies on,
// the same for the regions on either side: a cell face (its index into
// CellFaces::faces) or a plane of a Space's triangles (the number of cell
// faces plus the plane's number over all Spaces). `front`: the region lies
// in front of the surface's own plane (for a cell face, in its `front` cell).
struct RegionFace {
  Polygon polygon;
  Plane inward;  // its normal points into the region
  std::uint64_t surface;
  bool front;
};
using Polytope = std::vector<RegionFace>;

struct PolytopeSplit {
  Polytope front;
  Polytope behind;
  // The surfaces of the faces found lying in the plane.
  std::vector<std::uint64_t> coplanar;
};

using Corners = std::array<Point3, 3>;

// The corners of a Space's triangles, in list order.
std::vector<Corners> cornersOf(const Scene& scene, const BspNode& space) {
  std::vector<Corners> corners;
  corners.reserve(space.triangles.size());
  for (const std::uint32_t index : space.triangles) corners.push_back(scene.corners(static_cast<std::int32_t>(index)));
  return corners;
}

// The planes of `space`'s triangles, each once, in list order: a triangle
// facing the same way as an earlier plane with every corner within the
// tolerance of it adds none. Degenerate triangles have no plane.
std::vector<Plane> distinctPlanes(const Scene& scene, const BspNode& space, const std::vector<Corners>& cornerList) {
  std::vector<Plane> planes;
  for (std::size_t k = 0; k < space.triangles.size(); ++k) {
    const Plane plane = scene.plane(static_cast<std::int32_t>(space.triangles[k]));
    if (dot(plane.normal, plane.normal) == 0.0) continue;
    const Corners& corners = cornerList[k];
    const bool known = std::any_of(planes.begin(), planes.end(), [&](const Plane& earlier) {
      return dot(earlier.normal, plane.normal) > 0.0 && liesInPlane(earlier, corners);
    });
    if (!known) planes.push_back(plane);
  }
  return planes;
}

// Every triangle on or in front of every plane: what the build promises of a
// Space's list, unless it forced the Space.
bool isConvex(const std::vector<Corners>& cornerList, const std::vector<Plane>& planes) {
  for (const Corners& corners : cornerList) {
    for (const Point3& corner : corners) {
      for (const Plane& plane : planes) {
        if (sideOfDistance(plane.distance(corner)) == PointSide::Behind) return false;
      }
    }
  }
  return true;
}

Polytope cellOf(const CellFaces& cells, const BspNode& space) {
  Polytope cell;
  for (const std::uint32_t index : cells.facesOfSpace[spaceIndex(space)]) {
    const CellFace& face = cells.faces[index];
    if (face.polygon.size() < 3) continue;
    const bool front = face.front == &space;
    cell.push_back({face.polygon, front ? face.plane : face.plane.flipped(), index, front});
  }
  return cell;
}

// The convex hull of points lying on a plane with normal `normal` (up to the
// tolerance), counter-clockwise about it. The hull is taken on the two axes
// the plane is least steep against: that projection keeps convexity and is
// well conditioned. Its corners are the given points themselves.
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

// Two surfaces found to coincide where a region's face lies on both.
using Coincidence = std::pair<std::uint64_t, std::uint64_t>;

// The cell cut into regions by `planes` (surfaces `firstSurface` on): for a
// convex list, the pieces B_i in order and then R; otherwise every piece is
// cut by every plane. Appends to `coincident` each face's surface and the
// plane's when the face lies in the plane.
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

// How thick a polytope is: the least, over its faces, of how far its
// corners reach in front of the face's plane.
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

// The common part of two convex polygons on one plane: `a` clipped by the
// inner side of each edge of `b`.
Polygon overlapOf(const Polygon& a, const Polygon& b) {
  const Point3 winding = areaVector(b);
  Polygon overlap = a;
  for (std::size_t i = 0; i < b.size() && overlap.size() >= 3; ++i) {
    const Point3 edge = b[(i + 1) % b.size()] - b[i];
    overlap = clipToFront(overlap, {cross(winding, edge).normalized(), b[i]});
  }
  return overlap;
}

// The part of `overlap`, on a face of `region` whose inward normal is
// `inward`, where the region reaches at least kSliverWidth across the face:
// each side the region ends at, seen along `inward`, clipped that far in.
// Two planes of one wall, each carried across a cell from the small
// triangle it comes from, part by rounding and leave a wedge between them,
// thin where the wall is and wider far off; a region's way in through the
// thin end is a crack, not a passage, as a region thinner than a sliver is.
Polygon reachingAcross(Polygon overlap, const EmptyRegion& region, const Point3& inward) {
  for (const Plane& side : region.sides) {
    const double facing = dot(side.normal, inward);
    if (facing >= 0.0 || overlap.size() < 3) continue;
    overlap = clipToFront(overlap, {side.normal, side.anchor + (-facing * kSliverWidth) * side.normal});
  }
  return overlap;
}

Point3 centroid(const FlatTriangle& t) { return (1.0 / 3.0) * (t[0] + t[1] + t[2]); }

// Whether the triangle `cutout` covers all of `polygon` (in its plane): no
// corner lies beyond the tolerance outside any of its edges. A degenerate
// triangle covers nothing.
bool covers(const Polygon& cutout, const Polygon& polygon) {
  const Point3 winding = areaVector(cutout).normalized();
  if (dot(winding, winding) == 0.0) return false;
  for (std::size_t i = 0; i < cutout.size(); ++i) {
    const Plane inner{cross(winding, cutout[(i + 1) % cutout.size()] - cutout[i]).normalized(), cutout[i]};
    for (const Point3& p : polygon) {
      if (sideOfDistance(inner.distance(p)) == PointSide::Behind) return false;
    }
  }
  return true;
}

// A region's face, kept for pairing with the faces on the surface's other
// side.
struct SurfaceFace {
  std::uint64_t surface;
  bool front;
  std::uint32_t region;
  Polygon polygon;
};

// What lies on a surface: its plane and the Spaces whose triangles in that
// plane block passage through it, and the other surfaces some region's face
// was found to lie in as well (rounding tilts two planes of one wall apart
// by more than the tolerance across a cell, so a triangle may lie in the
// one, within the tolerance, and not in the other: it blocks both).
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
  Point3 winding;  // the normal its corner order winds around
  Bounds box;
};

class RegionGraphBuilder {
 public:
  RegionGraphBuilder(const Scene& scene, const CellFaces& cells, RegionJoins kind)
      : scene_(scene), cells_(cells), kind_(kind) {
    for (const CellFace& face : cells.faces) surfaces_.push_back({face.plane, {face.front, face.behind}, {}});
  }

  EmptyRegions run(const BspNode& root) {
    result_.regionsOfSpace.resize(cells_.facesOfSpace.size());
    cornersOfSpace_.resize(cells_.facesOfSpace.size());
    for (const BspNode* space : collectSpaces(root)) addSpace(*space);
    for (const std::vector<Corners>& corners : cornersOfSpace_) walled_.emplace_back(corners.size(), false);
    std::stable_sort(faces_.begin(), faces_.end(),
                     [](const SurfaceFace& a, const SurfaceFace& b) { return a.surface < b.surface; });
    for (std::size_t begin = 0; begin < faces_.size();) {
      std::size_t end = begin;
      while (end < faces_.size() && faces_[end].surface == faces_[begin].surface) ++end;
      joinAcross(begin, end);
      begin = end;
    }
    if (kind_ == RegionJoins::Sight) markUnwalled();
    return std::move(result_);
  }

 private:
  void addSpace(const BspNode& space) {
    std::vector<Corners>& corners = cornersOfSpace_[spaceIndex(space)];
    corners = cornersOf(scene_, space);
    const std::vector<Plane> planes = distinctPlanes(scene_, space, corners);
    const std::uint64_t firstSurface = surfaces_.size();
    for (const Plane& plane : planes) surfaces_.push_back({plane, {&space, nullptr}, {}});
    const bool convex = isConvex(corners, planes);
    std::vector<Coincidence> coincident;
    std::vector<Polytope> pieces = cutCell(cellOf(cells_, space), planes, firstSurface, convex, coincident);
    for (const auto& [a, b] : coincident) {
      for (const auto& [from, to] : {Coincidence{a, b}, Coincidence{b, a}}) {
        std::vector<std::uint64_t>& list = surfaces_[from].coincident;
        if (std::find(list.begin(), list.end(), to) == list.end()) list.push_back(to);
      }
    }
    for (Polytope& piece : pieces) {
      // A piece thinner than a sliver is rounding between two planes that
      // nearly coincide, not room to pass: a wall of the neighbouring Space
      // may lie in it within the tolerance, where it is not taken away.
      // Sight keeps it, seeing more rather than less.
      if (kind_ == RegionJoins::Passage && thicknessOf(piece) < kSliverWidth) continue;
      const auto index = static_cast<std::uint32_t>(result_.regions.size());
      result_.regionsOfSpace[spaceIndex(space)].push_back(index);
      EmptyRegion region;
      region.space = &space;
      double widestExit = 0.0;
      for (RegionFace& face : piece) {
        region.sides.push_back(face.inward);
        const double width = polygonWidth(face.polygon);
        // Thinner faces cannot give a join or an exit.
        if (width < kSliverWidth) continue;
        const bool onBounds = face.surface < cells_.faces.size() && (cells_.faces[face.surface].front == nullptr ||
                                                                     cells_.faces[face.surface].behind == nullptr);
        if (onBounds) {
          if (width > widestExit) {
            widestExit = width;
            region.exit = cornerMean(face.polygon);
          }
          continue;
        }
        faces_.push_back({face.surface, face.front, index, std::move(face.polygon)});
      }
      result_.regions.push_back(std::move(region));
    }
  }

  // Joins the regions whose faces in [begin, end), all on one surface, meet
  // from opposite sides.
  void joinAcross(std::size_t begin, std::size_t end) {
    const Surface& surface = surfaces_[faces_[begin].surface];
    std::optional<std::vector<Cutout>> cutouts;  // found when first wanted
    if (kind_ == RegionJoins::Sight) {
      cutouts = cutoutsOn(surface);
      for (std::size_t i = begin; i < end; ++i) addWalls(faces_[i], *cutouts, surface.plane);
    }
    for (std::size_t i = begin; i < end; ++i) {
      if (!faces_[i].front) continue;
      for (std::size_t j = begin; j < end; ++j) {
        if (faces_[j].front) continue;
        const Polygon overlap = overlapOf(faces_[i].polygon, faces_[j].polygon);
        if (overlap.size() < 3 || polygonWidth(overlap) < kSliverWidth) continue;
        if (!cutouts) cutouts = cutoutsOn(surface);
        if (kind_ == RegionJoins::Sight) {
          addSight(faces_[i].region, faces_[j].region, overlap, *cutouts, surface.plane);
          addSight(faces_[j].region, faces_[i].region, overlap, *cutouts, surface.plane.flipped());
          continue;
        }
        const Polygon passage = reachingAcross(reachingAcross(overlap, result_.regions[faces_[i].region],
                                                              surface.plane.normal),
                                               result_.regions[faces_[j].region], -1.0 * surface.plane.normal);
        if (passage.size() < 3 || polygonWidth(passage) < kSliverWidth) continue;
        const std::uint64_t fallbacks = result_.carvingFallbacks;
        std::optional<Point3> centre = uncoveredPoint(passage, *cutouts, surface.plane.normal);
        if (!centre) continue;
        const auto join = static_cast<std::uint32_t>(result_.joins.size());
        result_.joins.push_back({{faces_[i].region, faces_[j].region}, *centre, result_.carvingFallbacks != fallbacks});
        result_.regions[faces_[i].region].joins.push_back(join);
        result_.regions[faces_[j].region].joins.push_back(join);
      }
    }
  }

  // The triangles of the surface's Spaces lying in its plane, and those of
  // the surfaces coinciding with it lying in theirs, facing either way; each
  // once.
  std::vector<Cutout> cutoutsOn(const Surface& surface) const {
    std::vector<Cutout> cutouts;
    addCutouts(surface, cutouts);
    for (const std::uint64_t other : surface.coincident) addCutouts(surfaces_[other], cutouts);
    return cutouts;
  }

  void addCutouts(const Surface& surface, std::vector<Cutout>& cutouts) const {
    for (const BspNode* space : surface.spaces) {
      if (space == nullptr) continue;
      const std::vector<Corners>& cornerList = cornersOfSpace_[spaceIndex(*space)];
      for (std::size_t k = 0; k < cornerList.size(); ++k) {
        const Corners& corners = cornerList[k];
        if (!liesInPlane(surface.plane, corners)) continue;
        if (std::any_of(cutouts.begin(), cutouts.end(),
                        [&](const Cutout& c) { return c.space == space && c.triangle == k; })) {
          continue;
        }
        Polygon polygon{corners[0], corners[1], corners[2]};
        const Point3 winding = areaVector(polygon);
        const Bounds box = boundsOf(polygon);
        cutouts.push_back({std::move(polygon), space, k, winding, box});
      }
    }
  }

  // What of `overlap` the cutouts `near` (those meeting its box) leave
  // uncovered, as triangles wound around `normal`; none when they cover all
  // of it but slivers. GLU carves only what a single cutout does not cover.
  std::vector<FlatTriangle> uncovered(const Polygon& overlap, const std::vector<const Polygon*>& near,
                                      const Point3& normal) {
    std::vector<Polygon> carving;
    for (const Polygon* cutout : near) {
      if (covers(*cutout, overlap)) return {};
      carving.push_back(*cutout);
    }
    if (carving.empty()) return fanTriangles(overlap, normal);
    Difference carved = carver_.subtract(overlap, carving, normal);
    if (carved.fellBack) ++result_.carvingFallbacks;
    return std::move(carved.triangles);
  }

  // A point of `overlap` that no cutout covers, facing either way: the
  // centroid of the largest uncovered triangle, or the overlap's corner mean
  // when no cutout is near.
  std::optional<Point3> uncoveredPoint(const Polygon& overlap, const std::vector<Cutout>& cutouts,
                                       const Point3& normal) {
    const Bounds box = boundsOf(overlap);
    std::vector<const Polygon*> near;
    for (const Cutout& cutout : cutouts) {
      if (box.meets(cutout.box)) near.push_back(&cutout.polygon);
    }
    const std::vector<FlatTriangle> open = uncovered(overlap, near, normal);
    if (open.empty()) return std::nullopt;
    if (near.empty()) return cornerMean(overlap);
    const auto largest = std::max_element(open.begin(), open.end(), [](const FlatTriangle& a, const FlatTriangle& b) {
      return flatTriangleArea(a) < flatTriangleArea(b);
    });
    return centroid(*largest);
  }

  // The sight passage from region `from` into region `to` through `overlap`
  // on `plane` (facing into `from`).
  void addSight(std::uint32_t from, std::uint32_t to, const Polygon& overlap, const std::vector<Cutout>& cutouts,
                const Plane& plane) {
    const Bounds box = boundsOf(overlap);
    std::vector<const Polygon*> near;
    for (const Cutout& cutout : cutouts) {
      if (dot(cutout.winding, plane.normal) > 0.0 && box.meets(cutout.box)) near.push_back(&cutout.polygon);
    }
    std::optional<OpenLink> view = makeOpenLink(*result_.regions[from].space, *result_.regions[to].space, plane,
                                                uncovered(overlap, near, plane.normal));
    if (!view) return;
    result_.regions[from].sightPassages.push_back(static_cast<std::uint32_t>(result_.sightPassages.size()));
    result_.sightPassages.push_back({from, to, std::move(*view)});
  }

  // The walls on `face`: the part on it of each triangle facing into its
  // region.
  void addWalls(const SurfaceFace& face, const std::vector<Cutout>& cutouts, const Plane& surfacePlane) {
    const Plane inward = face.front ? surfacePlane : surfacePlane.flipped();
    const Bounds box = boundsOf(face.polygon);
    EmptyRegion& region = result_.regions[face.region];
    for (const Cutout& cutout : cutouts) {
      if (dot(cutout.winding, inward.normal) <= 0.0 || !box.meets(cutout.box)) continue;
      const Polygon part = overlapOf(cutout.polygon, face.polygon);
      if (part.size() < 3) continue;
      std::optional<OpenLink> wall =
          makeOpenLink(*region.space, *cutout.space, inward, fanTriangles(part, inward.normal));
      if (!wall || wall->area == 0.0) continue;
      walled_[spaceIndex(*cutout.space)][cutout.triangle] = true;
      region.walls.push_back(static_cast<std::uint32_t>(result_.walls.size()));
      result_.walls.push_back(std::move(*wall));
    }
  }

  // Marks the Spaces with a triangle of some area on no wall.
  void markUnwalled() {
    result_.drawnWhenReached.assign(cornersOfSpace_.size(), false);
    for (std::size_t space = 0; space < cornersOfSpace_.size(); ++space) {
      const std::vector<Corners>& cornerList = cornersOfSpace_[space];
      for (std::size_t k = 0; k < cornerList.size(); ++k) {
        const Corners& c = cornerList[k];
        if (!walled_[space][k] && flatTriangleArea({c[0], c[1], c[2]}) > 0.0) result_.drawnWhenReached[space] = true;
      }
    }
  }

  const Scene& scene_;
  const CellFaces& cells_;
  const RegionJoins kind_;
  std::vector<Surface> surfaces_;
  std::vector<std::vector<Corners>> cornersOfSpace_;  // by Space number less one
  std::vector<std::vector<bool>> walled_;             // likewise: each triangle on some wall
  std::vector<SurfaceFace> faces_;
  CoplanarCarver carver_;
  EmptyRegions result_;
};

}  // namespace

double EmptyRegion::depthOf(const Point3& point) const {
  double depth = std::numeric_limits<double>::infinity();
  for (const Plane& side : sides) depth = std::min(depth, side.distance(point));
  return depth;
}

bool EmptyRegion::mayMeet(std::span<const Point3> points) const {
  return std::all_of(sides.begin(), sides.end(), [points](const Plane& side) {
    return std::any_of(points.begin(), points.end(),
                       [&side](const Point3& p) { return side.distance(p) >= -kPlaneTolerance; });
  });
}

EmptyRegions findEmptyRegions(const Scene& scene, const BspNode& root, const CellFaces& cells, RegionJoins kind) {
  EmptyRegions regions = RegionGraphBuilder(scene, cells, kind).run(root);
  regions.bounds = cells.bounds;
  return regions;
}

}  // namespace pw
