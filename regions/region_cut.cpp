#include "regions/region_cut.h"

#include <algorithm>
#include <utility>

#include "bsp/bsp_node.h"
#include "geometry/bounds.h"
#include "regions/polytope_cut.h"
#include "scene/scene.h"

namespace pw {
namespace {

// The corners of a Space's triangles, in list order.
std::vector<TriangleCorners> cornersOf(const Scene& scene, const BspNode& space) {
  std::vector<TriangleCorners> corners;
  corners.reserve(space.triangles.size());
  for (const std::uint32_t index : space.triangles) corners.push_back(scene.corners(static_cast<std::int32_t>(index)));
  return corners;
}

// The planes of `space`'s triangles, each once, in list order: a triangle
// facing the same way as an earlier plane with every corner within the
// tolerance of it adds none. Degenerate triangles have no plane.
std::vector<Plane> distinctPlanes(const Scene& scene, const BspNode& space,
                                  const std::vector<TriangleCorners>& cornerList) {
  std::vector<Plane> planes;
  for (std::size_t k = 0; k < space.triangles.size(); ++k) {
    const Plane plane = scene.plane(static_cast<std::int32_t>(space.triangles[k]));
    if (dot(plane.normal, plane.normal) == 0.0) continue;
    const TriangleCorners& corners = cornerList[k];
    const bool known = std::any_of(planes.begin(), planes.end(), [&](const Plane& earlier) {
      return dot(earlier.normal, plane.normal) > 0.0 && liesInPlane(earlier, corners);
    });
    if (!known) planes.push_back(plane);
  }
  return planes;
}

// Every triangle on or in front of every plane: what the build promises of a
// Space's list, unless it forced the Space.
bool isConvex(const std::vector<TriangleCorners>& cornerList, const std::vector<Plane>& planes) {
  for (const TriangleCorners& corners : cornerList) {
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

class Cutter {
 public:
  Cutter(const Scene& scene, const CellFaces& cells, double minThickness)
      : scene_(scene), cells_(cells), minThickness_(minThickness) {
    for (const CellFace& face : cells.faces) cut_.surfaces.push_back({face.plane, {face.front, face.behind}, {}});
    cut_.regionsOfSpace.resize(cells.facesOfSpace.size());
    cut_.cornersOfSpace.resize(cells.facesOfSpace.size());
  }

  RegionCut run(const BspNode& root) {
    for (const BspNode* space : collectSpaces(root)) addSpace(*space);
    std::stable_sort(cut_.faces.begin(), cut_.faces.end(),
                     [](const SurfaceFace& a, const SurfaceFace& b) { return a.surface < b.surface; });
    return std::move(cut_);
  }

 private:
  void addSpace(const BspNode& space) {
    std::vector<TriangleCorners>& corners = cut_.cornersOfSpace[spaceIndex(space)];
    corners = cornersOf(scene_, space);
    const std::vector<Plane> planes = distinctPlanes(scene_, space, corners);
    const std::uint64_t firstSurface = cut_.surfaces.size();
    for (const Plane& plane : planes) cut_.surfaces.push_back({plane, {&space, nullptr}, {}});
    const bool convex = isConvex(corners, planes);
    std::vector<Coincidence> coincident;
    std::vector<Polytope> pieces = cutCell(cellOf(cells_, space), planes, firstSurface, convex, coincident);
    for (const auto& [a, b] : coincident) {
      for (const auto& [from, to] : {Coincidence{a, b}, Coincidence{b, a}}) {
        std::vector<std::uint64_t>& list = cut_.surfaces[from].coincident;
        if (std::find(list.begin(), list.end(), to) == list.end()) list.push_back(to);
      }
    }
    for (Polytope& piece : pieces) {
      if (minThickness_ > 0.0 && thicknessOf(piece) < minThickness_) continue;
      const auto index = static_cast<std::uint32_t>(cut_.regions.size());
      cut_.regionsOfSpace[spaceIndex(space)].push_back(index);
      EmptyRegion region;
      region.space = &space;
      std::optional<Point3> exit;
      double widestExit = 0.0;
      for (RegionFace& face : piece) {
        region.sides.push_back(face.inward);
        const double width = polygonWidth(face.polygon);
        // Thinner faces cannot lead anywhere.
        if (width < kSliverWidth) continue;
        const bool onBounds = face.surface < cells_.faces.size() && (cells_.faces[face.surface].front == nullptr ||
                                                                     cells_.faces[face.surface].behind == nullptr);
        if (onBounds) {
          if (width > widestExit) {
            widestExit = width;
            exit = cornerMean(face.polygon);
          }
          continue;
        }
        cut_.faces.push_back({face.surface, face.front, index, std::move(face.polygon)});
      }
      cut_.regions.push_back(std::move(region));
      cut_.exits.push_back(exit);
    }
  }

  const Scene& scene_;
  const CellFaces& cells_;
  const double minThickness_;
  RegionCut cut_;
};

void addCutouts(const RegionCut& cut, const Surface& surface, std::vector<Cutout>& cutouts) {
  for (const BspNode* space : surface.spaces) {
    if (space == nullptr) continue;
    const std::vector<TriangleCorners>& cornerList = cut.cornersOfSpace[spaceIndex(*space)];
    for (std::size_t k = 0; k < cornerList.size(); ++k) {
      const TriangleCorners& corners = cornerList[k];
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

}  // namespace

std::vector<Cutout> RegionCut::cutoutsOn(const Surface& surface) const {
  std::vector<Cutout> cutouts;
  addCutouts(*this, surface, cutouts);
  for (const std::uint64_t other : surface.coincident) addCutouts(*this, surfaces[other], cutouts);
  return cutouts;
}

RegionCut cutIntoRegions(const Scene& scene, const BspNode& root, const CellFaces& cells, double minThickness) {
  return Cutter(scene, cells, minThickness).run(root);
}

Polygon overlapOf(const Polygon& a, const Polygon& b) {
  const Point3 winding = areaVector(b);
  Polygon overlap = a;
  for (std::size_t i = 0; i < b.size() && overlap.size() >= 3; ++i) {
    const Point3 edge = b[(i + 1) % b.size()] - b[i];
    overlap = clipToFront(overlap, {cross(winding, edge).normalized(), b[i]});
  }
  return overlap;
}

Difference uncoveredPart(CoplanarCarver& carver, const Polygon& overlap, const std::vector<const Polygon*>& near,
                         const Point3& normal) {
  if (near.empty()) return {fanTriangles(overlap, normal), false};
  std::vector<Polygon> carving;
  for (const Polygon* cutout : near) carving.push_back(*cutout);
  return carver.subtract(overlap, carving, normal);
}

}  // namespace pw
